#pragma once

#include <QColor>

#include <cstdint>

namespace platform {

// Colour values are 0x00BBGGRR (red in the low byte). Values 0x800000nn name
// system colour nn, resolved through the application palette.
using Color = uint32_t;

inline constexpr Color kSystemColorFlag = 0x80000000u;

// Numbers of the system colours the program uses.
enum SystemColorIndex : int {
    kColorWindow = 0x05,
    kColorWindowText = 0x08,
    kColorButtonFace = 0x0F,
    kColorButtonShadow = 0x10,
    kColorButtonText = 0x12,
    kColor3DHighlight = 0x14,
    kColor3DDarkShadow = 0x15,
    kColor3DLight = 0x16,
};

inline constexpr bool IsSystemColor(Color pC) {
    return (pC & 0xFFFFFF00u) == kSystemColorFlag;
}
inline constexpr Color SystemColor(int pIndex) {
    return kSystemColorFlag | (Color(pIndex) & 0xFFu);
}

// The 0x00BBGGRR value of a colour, with system colours looked up in the
// palette. Any other value with high bits set keeps its low three bytes.
Color ResolveColor(Color pC);

// The same colour as a QColor (opaque).
QColor ToQColor(Color pC);
Color FromQColor(const QColor& pC);

} // namespace platform
