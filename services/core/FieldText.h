#pragma once
// Texts of any byte but NUL as one tab-separated field of a line: tab, newline and
// backslash escaped.

#include <string>

namespace text {

std::string EscapeField(const std::string& pText);
std::string UnescapeField(const std::string& pText);

} // namespace text
