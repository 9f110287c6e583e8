// Describes every file named on the command line (or listed, one per line, in the file that
// follows -l) with GetAudioInfo. With -v it prints length and text per file; otherwise only
// the number of files described as valid, so that output does not weigh in the timing.

#include "media/FCT_AudioInf.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    bool verbose = false;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[i], "-l") == 0 && i + 1 < argc) {
            std::ifstream list(argv[++i]);
            for (std::string line; std::getline(list, line);)
                if (!line.empty()) paths.push_back(line);
        } else {
            paths.push_back(argv[i]);
        }
    }
    int valid = 0;
    for (const auto& path : paths) {
        AudioInfo info = GetAudioInfo(path);
        valid += info.Valid;
        if (verbose)
            std::printf("%s\t%d\t%d\t%s\n", path.c_str(), info.Valid, info.LengthMs,
                        info.Text.c_str());
    }
    std::printf("%d of %zu valid\n", valid, paths.size());
    return 0;
}
