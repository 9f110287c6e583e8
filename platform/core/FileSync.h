#pragma once

// Making a written file durable before it takes the place of another.

#include <string>
#include <system_error>

namespace platform {

// Flushes the file's data and metadata to the disk (fsync). std::errc::no_space_on_device
// when the disk filled up on the way.
std::error_code SyncFile(const std::string& pPath);

} // namespace platform
