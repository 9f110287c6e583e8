// edit_driver: runs one EditWave call on a file, for benchmarks and scripted tests.
//   edit_driver SOURCE TARGET [options]      (TARGET "" measures only)
// Options (defaults: everything off):
//   --from N --to N                 range in frames
//   --trim THIN THOUT               trim silence below the thresholds (dB)
//   --margins START END             margins in ms
//   --force-margin                  pad with silence where a margin passes the file
//   --norm MODE LEVEL               0 Peak, 1 RMS(Max), 2 RMS(Average), 3 RMS(Calc); dB
//   --gate MS DB                    RMS(Calc) silence gate
//   --clip                          allow saturation instead of limiting the gain
//   --adjust L R                    level adjustment per channel (dB)
//   --fade IN OUT                   fade lengths in frames
//   --check N                       pCheckLevel (1: measure only, print the levels)
// Prints "result R" (and the levels when checking); exit status 0 when R is 1.

#include "engine/C_EditWave.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Args {
    int64_t From = 0, To = 0;
    int32_t UseTh = 0;
    float ThIn = 0, ThOut = 0;
    int32_t StartMargin = 0, EndMargin = 0, ForceMargin = 0;
    int32_t UseNorm = 0;
    float NormLevel = 0;
    int32_t NormMode = 0, RMSmsec = 0;
    float RMSdb = 0;
    int32_t Clip = 0;
    float AdjustL = 0, AdjustR = 0;
    int32_t FadeIn = 0, FadeOut = 0, CheckLevel = 0;
};

bool Number(const char* pText, double& pOut) {
    char* end = nullptr;
    pOut = std::strtod(pText, &end);
    return end != pText && *end == '\0';
}

// Reads the option at argv[i] and its values; false on a bad option.
bool ParseOption(int argc, char** argv, int& i, Args& a) {
    const std::string opt = argv[i];
    const auto values = [&](int n, std::vector<double>& out) {
        if (i + n >= argc) return false;
        out.resize(size_t(n));
        for (int k = 0; k < n; ++k)
            if (!Number(argv[i + 1 + k], out[size_t(k)])) return false;
        i += n;
        return true;
    };
    std::vector<double> v;
    if (opt == "--force-margin")
        a.ForceMargin = 1;
    else if (opt == "--clip")
        a.Clip = 1;
    else if (opt == "--from" && values(1, v))
        a.From = int64_t(v[0]);
    else if (opt == "--to" && values(1, v))
        a.To = int64_t(v[0]);
    else if (opt == "--trim" && values(2, v)) {
        a.UseTh = 1;
        a.ThIn = float(v[0]);
        a.ThOut = float(v[1]);
    } else if (opt == "--margins" && values(2, v)) {
        a.StartMargin = int32_t(v[0]);
        a.EndMargin = int32_t(v[1]);
    } else if (opt == "--norm" && values(2, v)) {
        a.UseNorm = 1;
        a.NormMode = int32_t(v[0]);
        a.NormLevel = float(v[1]);
    } else if (opt == "--gate" && values(2, v)) {
        a.RMSmsec = int32_t(v[0]);
        a.RMSdb = float(v[1]);
    } else if (opt == "--adjust" && values(2, v)) {
        a.AdjustL = float(v[0]);
        a.AdjustR = float(v[1]);
    } else if (opt == "--fade" && values(2, v)) {
        a.FadeIn = int32_t(v[0]);
        a.FadeOut = int32_t(v[1]);
    } else if (opt == "--check" && values(1, v)) {
        a.CheckLevel = int32_t(v[0]);
    } else {
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: edit_driver SOURCE TARGET [options] (see the source)\n");
        return 2;
    }
    Args a;
    for (int i = 3; i < argc; ++i) {
        if (!ParseOption(argc, argv, i, a)) {
            std::fprintf(stderr, "edit_driver: bad option %s\n", argv[i]);
            return 2;
        }
    }
    C_EditWave edit;
    const int32_t result =
        edit.EditWave(argv[1], argv[2], a.From, a.To, a.UseTh, a.ThIn, a.ThOut, a.StartMargin,
                      a.EndMargin, a.ForceMargin, a.UseNorm, a.NormLevel, a.NormMode, a.RMSmsec,
                      a.RMSdb, a.Clip, a.AdjustL, a.AdjustR, a.FadeIn, a.FadeOut, a.CheckLevel);
    std::printf("result %d\n", result);
    if (a.CheckLevel != 0)
        std::printf("peak %d (%.4f dB) maxrms %d (%.4f dB) normrms %d (%.4f dB)\n", edit.MaxPeak(),
                    edit.MaxPeakDB(), edit.MaxRMS(), edit.MaxRMSDB(), edit.NormRMS(),
                    edit.NormRMSDB());
    return result == 1 ? 0 : 1;
}
