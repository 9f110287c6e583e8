#pragma once
// Window-side values of the parameter panel: the slider display and the progress bar. Plain std
// code, no widgets. The panel's stored keys and the rules that turn it into a job (and its output
// folder) are in services/job.

#include <cstdint>
#include <string>

namespace app {

// The slider value display: "-45db", or "-23LUFS" for a loudness level.
std::string SliderValueText(int32_t pValue, bool pLufs = false);

// Progress bar value for the engine's fraction done: rate x 1000, half to even.
int32_t ProgressValue(float pRate);

} // namespace app
