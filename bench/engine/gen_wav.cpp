// gen_wav: writes a deterministic test WAV file.
//   gen_wav OUT.wav [--rate HZ] [--bits 8|16|24|32] [--float 1] [--channels N] [--seconds S]
//                   [--lead S] [--tail S] [--peak DB] [--seed N]

#include "WavGen.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: gen_wav OUT.wav [--rate HZ] [--bits 8|16|24|32] [--float 1]"
                             " [--channels N] [--seconds S] [--lead S] [--tail S] [--peak DB]"
                             " [--seed N]\n");
        return 2;
    }
    WavGenOptions o;
    for (int i = 2; i < argc; ++i) {
        const std::string opt = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "gen_wav: %s needs a value\n", opt.c_str());
            return 2;
        }
        const char* v = argv[++i];
        char* end = nullptr;
        const double x = std::strtod(v, &end);
        if (end == v || *end != '\0') {
            std::fprintf(stderr, "gen_wav: bad value for %s: %s\n", opt.c_str(), v);
            return 2;
        }
        if (opt == "--rate")
            o.Rate = int32_t(x);
        else if (opt == "--bits")
            o.Bits = int32_t(x);
        else if (opt == "--float")
            o.Float = x != 0.0;
        else if (opt == "--channels")
            o.Channels = int32_t(x);
        else if (opt == "--seconds")
            o.Seconds = x;
        else if (opt == "--lead")
            o.LeadSilence = x;
        else if (opt == "--tail")
            o.TailSilence = x;
        else if (opt == "--peak")
            o.PeakDb = x;
        else if (opt == "--seed")
            o.Seed = uint32_t(x);
        else {
            std::fprintf(stderr, "gen_wav: unknown option %s\n", opt.c_str());
            return 2;
        }
    }
    if (!GenerateWav(argv[1], o)) {
        std::fprintf(stderr, "gen_wav: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
