#pragma once

// Mouse buttons as the controls report them: 1 left, 2 right, 4 middle.

#include <Qt>

#include <cstdint>

inline constexpr int16_t kVbLeft = 1;
inline constexpr int16_t kVbRight = 2;
inline constexpr int16_t kVbMiddle = 4;

inline int16_t VbButton(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return kVbLeft;
    case Qt::RightButton:
        return kVbRight;
    case Qt::MiddleButton:
        return kVbMiddle;
    default:
        return 0;
    }
}

inline int16_t VbButtons(Qt::MouseButtons b) {
    int16_t v = 0;
    if (b & Qt::LeftButton) v |= kVbLeft;
    if (b & Qt::RightButton) v |= kVbRight;
    if (b & Qt::MiddleButton) v |= kVbMiddle;
    return v;
}

// Shift state: 1 Shift, 2 Ctrl, 4 Alt.
inline int16_t VbShift(Qt::KeyboardModifiers m) {
    int16_t v = 0;
    if (m & Qt::ShiftModifier) v |= 1;
    if (m & Qt::ControlModifier) v |= 2;
    if (m & Qt::AltModifier) v |= 4;
    return v;
}
