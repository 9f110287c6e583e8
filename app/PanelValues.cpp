#include "app/PanelValues.h"

#include <cmath>

namespace app {

std::string SliderValueText(int32_t pValue, bool pLufs) {
    return std::to_string(pValue) + (pLufs ? "LUFS" : "db");
}

int32_t ProgressValue(float pRate) {
    double scaled = std::nearbyint(double(pRate) * 1000.0);
    if (!(scaled >= 0)) return 0;
    if (scaled > 1000) return 1000;
    return static_cast<int32_t>(scaled);
}

} // namespace app
