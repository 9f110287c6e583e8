#include "platform/core/ServiceNotify.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

std::string NotifyServiceManager(const std::string& pState) {
    const char* name = std::getenv("NOTIFY_SOCKET");
    if (name == nullptr || *name == '\0') return {};
    const std::string socketName = name;
    const std::string what =
        "cannot tell the service manager " + pState + " through '" + socketName + "': ";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketName[0] != '/' && socketName[0] != '@') return what + "not a socket path";
    if (socketName.size() >= sizeof address.sun_path) return what + "name too long";
    std::memcpy(address.sun_path, socketName.data(), socketName.size());
    // An abstract name starts with a zero byte and has no terminating one.
    const bool abstract = socketName[0] == '@';
    if (abstract) address.sun_path[0] = '\0';
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + socketName.size() +
                                               (abstract ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return what + std::strerror(errno);
    const bool sent = ::sendto(fd, pState.data(), pState.size(), MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr*>(&address), length) >= 0;
    const int error = errno;
    ::close(fd);
    return sent ? std::string() : what + std::strerror(error);
}

} // namespace platform
