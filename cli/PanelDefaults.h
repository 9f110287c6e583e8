#pragma once
// Defaults taken from the window's stored parameter panel (--use-settings).

#include "cli/Options.h"

namespace cli {

// Sets the edit parameters and the output choice the way the window's batch run would
// derive them from its stored panel: switched-off boxes send 0 dB, margins only with
// trimming, the RMS window and threshold only with "RMS(Calc)" normalisation, an output
// folder only when it exists. Stored texts that are not numbers keep the built-in default.
void ApplyStoredPanel(Options& pOptions, const SettingReader& pReadSetting);

// The settings keys ApplyStoredPanel reads.
const std::vector<std::string>& PanelSettingKeys();

} // namespace cli
