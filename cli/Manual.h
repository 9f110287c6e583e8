#pragma once
// The manual pages of quillan and quillan-batch and the bash completion of quillan-batch,
// made from the same option table as --help, so none of them is written twice.

#include <string>

namespace cli {

// quillan-batch(1) in roff.
std::string BatchManPage(const std::string& pVersion);
// quillan(1) in roff: the window and its command line.
std::string WindowManPage(const std::string& pVersion);
// A bash completion script for quillan-batch.
std::string BashCompletion();

// A text for a roff line: backslashes and hyphens escaped, a leading '.' or '\'' guarded.
std::string RoffText(const std::string& pText);

} // namespace cli
