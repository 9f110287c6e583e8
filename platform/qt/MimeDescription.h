#pragma once
// The human-readable description of a file's type, from the shared MIME database.

#include <string>

namespace platform {

// "WAV audio", "MP3 audio", ...: the comment of the MIME type that the file's name and
// content match; empty when the type is unknown.
std::string MimeDescription(const std::string& pPath);

} // namespace platform
