#pragma once

// Whether a stream is shown to a person.

#include <cstdio>

namespace platform {

// True when the stream writes to a terminal.
bool IsTerminal(std::FILE* pStream);

} // namespace platform
