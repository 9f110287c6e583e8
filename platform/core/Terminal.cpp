#include "platform/core/Terminal.h"

#include <stdio.h>
#include <unistd.h>

namespace platform {

bool IsTerminal(std::FILE* pStream) {
    return pStream && ::isatty(::fileno(pStream)) == 1;
}

} // namespace platform
