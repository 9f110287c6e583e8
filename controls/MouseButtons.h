#pragma once

// Mouse buttons as the controls report them: 1 left, 2 right, 4 middle.

#include <Qt>

#include <cstdint>

inline constexpr int16_t kMouseLeft = 1;
inline constexpr int16_t kMouseRight = 2;
inline constexpr int16_t kMouseMiddle = 4;

inline int16_t MouseButtonCode(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return kMouseLeft;
    case Qt::RightButton:
        return kMouseRight;
    case Qt::MiddleButton:
        return kMouseMiddle;
    default:
        return 0;
    }
}

inline int16_t MouseButtonState(Qt::MouseButtons b) {
    int16_t v = 0;
    if (b & Qt::LeftButton) v |= kMouseLeft;
    if (b & Qt::RightButton) v |= kMouseRight;
    if (b & Qt::MiddleButton) v |= kMouseMiddle;
    return v;
}

// Shift state: 1 Shift, 2 Ctrl, 4 Alt.
inline int16_t ShiftState(Qt::KeyboardModifiers m) {
    int16_t v = 0;
    if (m & Qt::ShiftModifier) v |= 1;
    if (m & Qt::ControlModifier) v |= 2;
    if (m & Qt::AltModifier) v |= 4;
    return v;
}
