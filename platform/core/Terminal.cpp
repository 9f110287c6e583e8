#include "platform/core/Terminal.h"

#include <stdio.h>
#include <unistd.h>

namespace platform {

bool IsTerminal(std::FILE* stream) {
    return stream && ::isatty(::fileno(stream)) == 1;
}

} // namespace platform
