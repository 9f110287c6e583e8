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

bool Number(const char* pText, double& pOut) {
    char* end = nullptr;
    pOut = std::strtod(pText, &end);
    return end != pText && *end == '\0';
}

// Reads the option at argv[i] and its values; false on a bad option.
bool ParseOption(int argc, char** argv, int& i, EditJob& a) {
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
        a.ForceMargins = true;
    else if (opt == "--clip")
        a.Clip = true;
    else if (opt == "--from" && values(1, v))
        a.FromFrame = int64_t(v[0]);
    else if (opt == "--to" && values(1, v))
        a.ToFrame = int64_t(v[0]);
    else if (opt == "--trim" && values(2, v)) {
        a.Trim = true;
        a.StartThresholdDb = float(v[0]);
        a.EndThresholdDb = float(v[1]);
    } else if (opt == "--margins" && values(2, v)) {
        a.StartMarginMs = int32_t(v[0]);
        a.EndMarginMs = int32_t(v[1]);
    } else if (opt == "--norm" && values(2, v) && NormModeFromIndex(int32_t(v[0]))) {
        a.Normalize = true;
        a.Mode = *NormModeFromIndex(int32_t(v[0]));
        a.NormLevelDb = float(v[1]);
    } else if (opt == "--gate" && values(2, v)) {
        a.GateMs = int32_t(v[0]);
        a.GateDb = float(v[1]);
    } else if (opt == "--adjust" && values(2, v)) {
        a.AdjustLeftDb = float(v[0]);
        a.AdjustRightDb = float(v[1]);
    } else if (opt == "--fade" && values(2, v)) {
        a.FadeInFrames = int32_t(v[0]);
        a.FadeOutFrames = int32_t(v[1]);
    } else if (opt == "--check" && values(1, v)) {
        a.Check = v[0] == 0   ? LevelCheck::Off
                  : v[0] == 1 ? LevelCheck::MeasureOnly
                              : LevelCheck::Store;
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
    EditJob a;
    a.SourcePath = argv[1];
    a.TargetPath = argv[2];
    for (int i = 3; i < argc; ++i) {
        if (!ParseOption(argc, argv, i, a)) {
            std::fprintf(stderr, "edit_driver: bad option %s\n", argv[i]);
            return 2;
        }
    }
    C_EditWave edit;
    const int32_t result = edit.Edit(a);
    std::printf("result %d\n", result);
    if (a.Check != LevelCheck::Off)
        std::printf("peak %d (%.4f dB) maxrms %d (%.4f dB) normrms %d (%.4f dB)\n", edit.MaxPeak(),
                    edit.MaxPeakDB(), edit.MaxRMS(), edit.MaxRMSDB(), edit.NormRMS(),
                    edit.NormRMSDB());
    return result == 1 ? 0 : 1;
}
