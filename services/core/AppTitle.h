#pragma once
// The application title: the window caption, the name of the settings store
// and of the log files.

#include <string_view>

inline constexpr std::string_view AppTitle = "quillan";
