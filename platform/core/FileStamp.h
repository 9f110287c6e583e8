#pragma once

// What tells a file apart from itself at another time: a file that changed since it was
// looked at has another stamp.

#include <cstdint>
#include <string>

namespace platform {

// Size, modification time and inode; Size -1 when the file cannot be looked at.
struct FileStamp {
    int64_t Size = -1;
    int64_t ModifiedNs = 0;
    uint64_t Inode = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& pPath);

} // namespace platform
