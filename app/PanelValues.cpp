#include "app/PanelValues.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace app {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string TrimBlanks(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Checks the plain decimal shape: [sign] digits [. digits] [e [sign] digits].
bool HasDecimalShape(const std::string& s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < s.size() && IsDigit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < s.size() && IsDigit(s[i]))
            ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == s.size();
}

} // namespace

std::optional<double> NumericValue(const std::string& text) {
    std::string s = TrimBlanks(text);
    if (!HasDecimalShape(s)) return std::nullopt;
    // from_chars takes no leading '+' and is independent of the C locale.
    size_t start = (s[0] == '+') ? 1 : 0;
    double value = 0;
    auto [end, ec] = std::from_chars(s.data() + start, s.data() + s.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Huge exponents: keep the sign, the 32-bit rule refuses the value anyway.
        bool negative = s[0] == '-';
        return negative ? -std::numeric_limits<double>::infinity()
                        : std::numeric_limits<double>::infinity();
    }
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

bool IsNumericText(const std::string& text) {
    return NumericValue(text).has_value();
}

std::optional<int32_t> TextToInt32(const std::string& text) {
    auto value = NumericValue(text);
    if (!value) return std::nullopt;
    double rounded = std::nearbyint(*value);
    if (!(rounded >= double(std::numeric_limits<int32_t>::min()) &&
          rounded <= double(std::numeric_limits<int32_t>::max())))
        return std::nullopt;
    return static_cast<int32_t>(rounded);
}

int32_t AbsIntFromText(const std::string& text) {
    auto value = TextToInt32(text);
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
