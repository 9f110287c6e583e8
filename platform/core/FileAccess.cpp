#include "platform/core/FileAccess.h"

#include <unistd.h>

namespace platform {

bool CanWriteFolder(const std::string& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace platform
