#pragma once

// Tells a service manager of the program's state, as systemd's Type=notify services do: one
// datagram ("READY=1", "STOPPING=1") to the unix socket named in NOTIFY_SOCKET, a path or an
// abstract name after '@'. No library: the message is all there is to it.

#include <string>

namespace platform {

// Sends pState when NOTIFY_SOCKET is set; nothing otherwise. The reason when it could not be
// sent.
std::string NotifyServiceManager(const std::string& pState);

} // namespace platform
