#pragma once
// Conversions between stored setting texts and numbers.

#include <array>
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

// The decimal text of a whole number, made at compile time, so that a table of default
// texts can take them from numeric constants: DecimalText<-6> is "-6".
template <int32_t V>
inline constexpr std::array<char, 12> kDecimalText = [] {
    std::array<char, 12> text{};
    int64_t rest = V < 0 ? -int64_t(V) : int64_t(V);
    size_t digits = 1;
    for (int64_t d = rest; d >= 10; d /= 10)
        ++digits;
    const size_t start = V < 0 ? 1 : 0;
    if (V < 0) text[0] = '-';
    for (size_t i = start + digits; i-- > start; rest /= 10)
        text[i] = char('0' + rest % 10);
    return text;
}();
template <int32_t V> inline constexpr const char* DecimalText = kDecimalText<V>.data();
