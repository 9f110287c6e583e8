#include "app/PanelValues.h"

#include "engine/C_EditWave.h"
#include "services/core/Paths.h"
#include "services/core/SettingText.h"

#include <cmath>
#include <limits>

namespace app {

int32_t AbsIntFromText(const std::string& text) {
    auto value = SettingToInt32(text);
    if (!value || *value == std::numeric_limits<int32_t>::min()) return 0;
    return *value < 0 ? -*value : *value;
}

std::string SliderValueText(int32_t value) {
    return std::to_string(value) + "db";
}

int32_t NormModeFromChecks(const std::array<int32_t, 4>& checks) {
    int32_t mode = 0;
    for (int32_t i = 0; i < 4; ++i)
        if (checks[i] != 0) mode = i;
    return mode;
}

std::string OutputFolder(const std::string& typed, const std::string& home) {
    if (typed.empty() || typed.front() == '/') return typed;
    if (home.empty() || home.front() != '/') return {};
    std::string relative = typed;
    if (relative == "~")
        relative.clear();
    else if (relative.rfind("~/", 0) == 0)
        relative.erase(0, 2);
    return SetBackslash(home, 0) + relative;
}

RunConstants ReadRunConstants(const PanelState& panel) {
    RunConstants run;
    run.normMode = NormModeFromChecks(panel.checkNormMode);
    if (panel.checkParm[0] == 1) {
        run.startMargin = AbsIntFromText(panel.textParm[0]);
        run.endMargin = AbsIntFromText(panel.textParm[1]);
    }
    if (panel.checkParm[1] == 1) {
        run.normLevel = float(panel.sliderParm[2]);
        if (run.normMode == 3) {
            run.rmsWindow = AbsIntFromText(panel.textParm[2]);
            run.rmsThreshold = float(-AbsIntFromText(panel.textParm[3]));
        }
    }
    return run;
}

ItemValues ReadItemValues(const PanelState& panel) {
    ItemValues item;
    item.useTrim = panel.checkParm[0];
    item.useNorm = panel.checkParm[1];
    item.useAdjust = panel.checkParm[2];
    item.clip = panel.checkClip;
    item.overWrite = panel.checkOW;
    item.thIn = panel.sliderParm[0];
    item.thOut = panel.sliderParm[1];
    item.adjust = panel.sliderParm[3];
    item.soundPath = panel.soundPath;
    return item;
}

EditWaveArgs MakeEditWaveArgs(const std::string& source, const std::string& target,
                              const RunConstants& run, const ItemValues& item) {
    EditWaveArgs a;
    a.pSourceFN = source;
    a.pTargetFN = target;
    a.pUseTh = item.useTrim;
    a.pThIn = float(item.useTrim * item.thIn);
    a.pThOut = float(item.useTrim * item.thOut);
    a.pStartMargin = run.startMargin;
    a.pEndMargin = run.endMargin;
    a.pUseNorm = item.useNorm;
    a.pNormLevel = run.normLevel;
    a.pNormMode = run.normMode;
    a.pRMSmsec = run.rmsWindow;
    a.pRMSdb = run.rmsThreshold;
    a.pClip = item.clip;
    a.pAdjustdbL = float(item.useAdjust * item.adjust);
    a.pAdjustdbR = a.pAdjustdbL;
    return a;
}

int32_t ProgressValue(float rate) {
    double scaled = std::nearbyint(double(rate) * 1000.0);
    if (!(scaled >= 0)) return 0;
    if (scaled > 1000) return 1000;
    return static_cast<int32_t>(scaled);
}

} // namespace app
