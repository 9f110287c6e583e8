#include "services/core/SettingText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

std::string_view TrimBlanks(std::string_view pText) {
    const auto isBlank = [](char pC) { return pC == ' ' || pC == '\t'; };
    while (!pText.empty() && isBlank(pText.front()))
        pText.remove_prefix(1);
    while (!pText.empty() && isBlank(pText.back()))
        pText.remove_suffix(1);
    return pText;
}

bool IsDigit(char pC) {
    return pC >= '0' && pC <= '9';
}

// Optional sign, digits with at most one point (one digit at least), optional exponent.
bool IsDecimalNumber(std::string_view pS) {
    size_t i = 0;
    if (i < pS.size() && (pS[i] == '+' || pS[i] == '-')) ++i;
    size_t digits = 0;
    while (i < pS.size() && IsDigit(pS[i]))
        ++i, ++digits;
    if (i < pS.size() && pS[i] == '.') {
        ++i;
        while (i < pS.size() && IsDigit(pS[i]))
            ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < pS.size() && (pS[i] == 'e' || pS[i] == 'E')) {
        ++i;
        if (i < pS.size() && (pS[i] == '+' || pS[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < pS.size() && IsDigit(pS[i]))
            ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == pS.size();
}

template <class T> std::string ShortestText(T pValue) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, pValue);
    return std::string(text, result.ptr);
}

} // namespace

std::optional<int32_t> SettingToInt32(std::string_view pText) {
    pText = TrimBlanks(pText);
    if (!IsDecimalNumber(pText)) return std::nullopt;
    if (pText.front() == '+') pText.remove_prefix(1);
    double value = 0;
    const auto result = std::from_chars(pText.data(), pText.data() + pText.size(), value);
    if (result.ec != std::errc() || result.ptr != pText.data() + pText.size()) return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (!(rounded >= double(std::numeric_limits<int32_t>::min()) &&
          rounded <= double(std::numeric_limits<int32_t>::max())))
        return std::nullopt;
    return int32_t(rounded);
}

std::string ToSettingText(std::string_view pText) {
    return std::string(pText);
}
std::string ToSettingText(const char* pText) {
    return pText ? std::string(pText) : std::string();
}
std::string ToSettingText(const std::string& pText) {
    return pText;
}
std::string ToSettingText(double pValue) {
    return ShortestText(pValue);
}
std::string ToSettingText(float pValue) {
    return ShortestText(pValue);
}
