#include "platform/core/FolderWatch.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr uint32_t kFileMask = IN_CLOSE_WRITE | IN_MOVED_TO;
constexpr uint32_t kSelfMask = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;

std::string RootGoneReason(uint32_t pMask) {
    if (pMask & IN_UNMOUNT) return "was unmounted";
    if (pMask & IN_MOVE_SELF) return "was moved or renamed";
    return "was deleted";
}

// A folder below the root worth watching: not a link, not hidden (other tools' work).
bool WatchedFolder(const std::filesystem::directory_entry& pEntry) {
    std::error_code ec;
    return pEntry.is_directory(ec) && !pEntry.is_symlink(ec) &&
           pEntry.path().filename().string().rfind('.', 0) != 0;
}

} // namespace

FolderWatch::~FolderWatch() {
    if (m_Fd >= 0) ::close(m_Fd);
}

int FolderWatch::AddWatch(const std::string& pFolder) {
    uint32_t mask = kFileMask | kSelfMask | IN_ONLYDIR;
    if (m_Recursive) mask |= IN_CREATE;
    const int wd = ::inotify_add_watch(m_Fd, pFolder.c_str(), mask);
    if (wd >= 0) m_Folders[wd] = pFolder;
    return wd;
}

void FolderWatch::WatchTree(const std::string& pFolder) {
    if (AddWatch(pFolder) < 0) return;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(pFolder, ec), end; !ec && it != end;
         it.increment(ec))
        if (WatchedFolder(*it)) WatchTree(it->path().string());
}

std::string FolderWatch::Open(const std::string& pRoot, bool pRecursive) {
    m_Recursive = pRecursive;
    m_Fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_Fd < 0) return std::string("cannot start watching: ") + std::strerror(errno);
    m_RootWd = AddWatch(pRoot);
    if (m_RootWd < 0) return "cannot watch '" + pRoot + "': " + std::strerror(errno);
    if (pRecursive) {
        std::error_code ec;
        for (std::filesystem::directory_iterator it(pRoot, ec), end; !ec && it != end;
             it.increment(ec))
            if (WatchedFolder(*it)) WatchTree(it->path().string());
    }
    return {};
}

void FolderWatch::Parse(const char* pBuffer, long pLength, std::vector<FolderEvent>& pEvents) {
    for (long at = 0; at < pLength;) {
        inotify_event e;
        std::memcpy(&e, pBuffer + at, sizeof e);
        const std::string name = e.len > 0 ? std::string(pBuffer + at + sizeof e) : std::string();
        at += static_cast<long>(sizeof e + e.len);
        if (e.mask & IN_Q_OVERFLOW) {
            // Folders made while events were lost have no watch yet.
            if (m_Recursive && m_Folders.count(m_RootWd)) WatchTree(m_Folders[m_RootWd]);
            pEvents.push_back({FolderEvent::Kind::Overflow, {}, {}});
            continue;
        }
        auto folder = m_Folders.find(e.wd);
        if (folder == m_Folders.end()) continue;
        if (e.mask & (kSelfMask | IN_IGNORED)) {
            if (e.wd == m_RootWd) {
                pEvents.push_back(
                    {FolderEvent::Kind::RootGone, folder->second, RootGoneReason(e.mask)});
                continue;
            }
            // A folder below went away or moved: its new place reports itself if it is still
            // below the root.
            if (!(e.mask & IN_IGNORED)) ::inotify_rm_watch(m_Fd, e.wd);
            m_Folders.erase(folder);
            continue;
        }
        if (name.empty()) continue;
        const std::string path = folder->second + "/" + name;
        if (e.mask & IN_ISDIR) {
            if (m_Recursive && (e.mask & (IN_CREATE | IN_MOVED_TO)) && name[0] != '.') {
                WatchTree(path);
                pEvents.push_back({FolderEvent::Kind::FolderAdded, path, {}});
            }
        } else if (e.mask & kFileMask) {
            pEvents.push_back({FolderEvent::Kind::FileLanded, path, {}});
        }
    }
}

std::vector<FolderEvent> FolderWatch::Wait(int pTimeoutMs) {
    std::vector<FolderEvent> events;
    pollfd p{m_Fd, POLLIN, 0};
    if (::poll(&p, 1, pTimeoutMs) <= 0) return events;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const long n = ::read(m_Fd, buffer, sizeof buffer);
        if (n <= 0) break;
        Parse(buffer, n, events);
    }
    return events;
}

} // namespace platform
