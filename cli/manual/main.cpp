// quillan-manual: writes a manual page or the bash completion to a file, at build time.

#include "cli/Manual.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: quillan-manual batch|window|completion VERSION OUTPUT\n", stderr);
        return 2;
    }
    const std::string what = argv[1];
    const std::string text = what == "batch"        ? cli::BatchManPage(argv[2])
                             : what == "window"     ? cli::WindowManPage(argv[2])
                             : what == "completion" ? cli::BashCompletion()
                                                    : std::string();
    if (text.empty()) {
        std::fprintf(stderr, "quillan-manual: unknown page '%s'\n", argv[1]);
        return 2;
    }
    std::FILE* out = std::fopen(argv[3], "wb");
    if (!out || std::fputs(text.c_str(), out) < 0 || std::fclose(out) != 0) {
        std::fprintf(stderr, "quillan-manual: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
