#pragma once
// The window's command line: its options, its --help text, and what a start asks for.

#include <string>
#include <vector>

struct WindowOption {
    const char* Label; // "-h, --help"
    const char* Help;
};

// The options the window takes itself (besides file and folder names).
const std::vector<WindowOption>& WindowOptions();

// The text of "quillan --help".
std::string WindowUsageText();

enum class WindowStart { Open, Help, Version };

// What the arguments (the program's name left out) ask for: --help or --version anywhere
// before a "--" answer without opening the window.
WindowStart WindowStartOf(const std::vector<std::string>& pArgs);
