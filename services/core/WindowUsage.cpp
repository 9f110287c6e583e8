#include "services/core/WindowUsage.h"

const std::vector<WindowOption>& WindowOptions() {
    static const std::vector<WindowOption> options = {
        {"-h, --help", "show this help and exit"},
        {"--version", "show the version and exit"},
    };
    return options;
}

std::string WindowUsageText() {
    std::string text = "Usage: quillan [FILE|FOLDER]...\n"
                       "Opens the window with the WAV files named added to its list; a folder "
                       "adds the WAV files\nin it and in its subfolders. When quillan is "
                       "already running, the files go to that window.\n\n";
    for (const WindowOption& option : WindowOptions()) {
        std::string label = "  " + std::string(option.Label);
        label.resize(16, ' ');
        text += label + option.Help + "\n";
    }
    return text + "\nThe window also takes the standard options of its toolkit, such as "
                  "-platform NAME.\nThe same edit without the window: quillan-batch "
                  "--use-settings (see quillan-batch --help).\n";
}

WindowStart WindowStartOf(const std::vector<std::string>& pArgs) {
    for (const std::string& arg : pArgs) {
        if (arg == "--") break;
        if (arg == "-h" || arg == "--help") return WindowStart::Help;
        if (arg == "--version") return WindowStart::Version;
    }
    return WindowStart::Open;
}
