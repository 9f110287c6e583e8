#pragma once
// Value rules of the parameter panel and the per-run / per-file values the
// batch run hands to the edit engine. Plain std code, no widgets.

#include "engine/EditWaveArgs.h"

#include <array>
#include <cstdint>
#include <string>

namespace app {

// Absolute value of a numeric text as a 32-bit integer; 0 when not numeric
// (or when the absolute value leaves the 32-bit range).
int32_t AbsIntFromText(const std::string& text);

// The slider value display: "-45db".
std::string SliderValueText(int32_t value);

// Index of the last set element among the four normalize modes; 0 when none.
int32_t NormModeFromChecks(const std::array<int32_t, 4>& checks);

// Panel state as the batch run reads it.
struct PanelState {
    std::array<int32_t, 3> checkParm{1, 1, 1}; // Trim Level, Normalize, Level Adjust
    std::array<int32_t, 4> sliderParm{-45, -45, 0, 0};
    std::array<std::string, 4> textParm{"0", "0", "500", "-6"};
    std::array<int32_t, 4> checkNormMode{1, 0, 0, 0};
    int32_t checkClip = 0;
    int32_t checkOW = 0;
    std::string soundPath; // the output folder as the run uses it (see OutputFolder)
};

// The output folder a typed Output To text names: an absolute path as typed, a relative one
// (and "~", "~/...") inside the home folder. Empty when the text is empty or there is no
// absolute home folder to take a relative text from: results then go beside the source.
std::string OutputFolder(const std::string& typed, const std::string& home);

// Read once when a run starts.
struct RunConstants {
    int32_t startMargin = 0;
    int32_t endMargin = 0;
    int32_t rmsWindow = 0;
    float normLevel = 0;
    float rmsThreshold = 0;
    int32_t normMode = 0;
};

// Read again for every file of a run.
struct ItemValues {
    int32_t useTrim = 0;
    int32_t useNorm = 0;
    int32_t useAdjust = 0;
    int32_t clip = 0;
    int32_t overWrite = 0;
    int32_t thIn = 0;
    int32_t thOut = 0;
    int32_t adjust = 0;
    std::string soundPath;
};

RunConstants ReadRunConstants(const PanelState& panel);
ItemValues ReadItemValues(const PanelState& panel);

// The EditWave argument record lives with the engine; the run code names it from here.
using ::CallEditWave;
using ::EditWaveArgs;

EditWaveArgs MakeEditWaveArgs(const std::string& source, const std::string& target,
                              const RunConstants& run, const ItemValues& item);

// Progress bar value for the engine's fraction done: rate x 1000, half to even.
int32_t ProgressValue(float rate);

} // namespace app
