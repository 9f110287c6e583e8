#include "platform/core/FileStamp.h"

#include <sys/stat.h>

namespace platform {

FileStamp StampOf(const std::string& pPath) {
    FileStamp s;
    struct stat st {};
    if (::stat(pPath.c_str(), &st) != 0) return s;
    s.Size = int64_t(st.st_size);
    s.ModifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.Inode = uint64_t(st.st_ino);
    return s;
}

} // namespace platform
