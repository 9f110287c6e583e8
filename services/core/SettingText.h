#pragma once
// Conversions between stored setting texts and numbers.

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Trimmed text that is an optional sign, digits with at most one point and an
// optional exponent, rounded half to even; nothing when it is not such a number
// or does not fit in 32 bits.
std::optional<int32_t> SettingToInt32(std::string_view pText);

// Values as stored texts: integers plainly, floating point values in their
// shortest form ("-45", "0.5"), texts as they are.
std::string ToSettingText(std::string_view pText);
std::string ToSettingText(const char* pText);
std::string ToSettingText(const std::string& pText);
template <std::integral T> std::string ToSettingText(T pValue) {
    return std::to_string(pValue);
}
std::string ToSettingText(double pValue);
std::string ToSettingText(float pValue);
