// edit_driver: runs one EditWave call on a file, for benchmarks and scripted tests.
//   edit_driver SOURCE TARGET [options]      (TARGET "" measures only)
// Options (defaults: everything off):
//   --from N --to N                 range in frames
//   --trim THIN THOUT               trim silence below the thresholds (dB)
//   --margins START END             margins in ms
//   --force-margin                  pad with silence where a margin passes the file
//   --norm MODE LEVEL               0 Peak, 1 RMS(Max), 2 RMS(Average), 3 RMS(Calc); dB;
//                                   4 Loudness (LUFS, true-peak ceiling at -1 dBTP)
//   --gate MS DB                    RMS(Calc) silence gate
//   --clip                          allow saturation instead of limiting the gain
//   --no-ceiling                    loudness mode without the true-peak ceiling
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
bool ParseOption(int pArgc, char** pArgv, int& pI, EditJob& pA) {
    const std::string opt = pArgv[pI];
    const auto values = [&](int pN, std::vector<double>& pOut) {
        if (pI + pN >= pArgc) return false;
        pOut.resize(size_t(pN));
        for (int k = 0; k < pN; ++k)
            if (!Number(pArgv[pI + 1 + k], pOut[size_t(k)])) return false;
        pI += pN;
        return true;
    };
    std::vector<double> v;
    if (opt == "--force-margin")
        pA.ForceMargins = true;
    else if (opt == "--clip")
        pA.Clip = true;
    else if (opt == "--no-ceiling")
        pA.TruePeakCeiling = false;
    else if (opt == "--from" && values(1, v))
        pA.FromFrame = int64_t(v[0]);
    else if (opt == "--to" && values(1, v))
        pA.ToFrame = int64_t(v[0]);
    else if (opt == "--trim" && values(2, v)) {
        pA.Trim = true;
        pA.StartThresholdDb = float(v[0]);
        pA.EndThresholdDb = float(v[1]);
    } else if (opt == "--margins" && values(2, v)) {
        pA.StartMarginMs = int32_t(v[0]);
        pA.EndMarginMs = int32_t(v[1]);
    } else if (opt == "--norm" && values(2, v) && NormModeFromIndex(int32_t(v[0]))) {
        pA.Normalize = true;
        pA.Mode = *NormModeFromIndex(int32_t(v[0]));
        pA.NormLevelDb = float(v[1]);
    } else if (opt == "--gate" && values(2, v)) {
        pA.GateMs = int32_t(v[0]);
        pA.GateDb = float(v[1]);
    } else if (opt == "--adjust" && values(2, v)) {
        pA.AdjustLeftDb = float(v[0]);
        pA.AdjustRightDb = float(v[1]);
    } else if (opt == "--fade" && values(2, v)) {
        pA.FadeInFrames = int32_t(v[0]);
        pA.FadeOutFrames = int32_t(v[1]);
    } else if (opt == "--check" && values(1, v)) {
        pA.Check = v[0] == 0   ? LevelCheck::Off
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
    const EditResult result = C_EditWave().Edit(a);
    std::printf("result %d\n", result.Done() ? 1 : 0);
    if (const auto& l = result.Levels)
        std::printf("peak %.0f (%.4f dB) maxrms %.0f (%.4f dB) normrms %.0f (%.4f dB)\n",
                    l->MaxPeak, l->MaxPeakDb, l->MaxRms, l->MaxRmsDb, l->NormRms, l->NormRmsDb);
    return result.Done() ? 0 : 1;
}
