#pragma once

// Mouse buttons as the controls report them: 1 left, 2 right, 4 middle.

#include <Qt>

#include <cstdint>

inline constexpr int16_t kMouseLeft = 1;
inline constexpr int16_t kMouseRight = 2;
inline constexpr int16_t kMouseMiddle = 4;

inline int16_t MouseButtonCode(Qt::MouseButton pB) {
    switch (pB) {
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

inline int16_t MouseButtonState(Qt::MouseButtons pB) {
    int16_t v = 0;
    if (pB & Qt::LeftButton) v |= kMouseLeft;
    if (pB & Qt::RightButton) v |= kMouseRight;
    if (pB & Qt::MiddleButton) v |= kMouseMiddle;
    return v;
}

// Shift state: 1 Shift, 2 Ctrl, 4 Alt.
inline int16_t ShiftState(Qt::KeyboardModifiers pM) {
    int16_t v = 0;
    if (pM & Qt::ShiftModifier) v |= 1;
    if (pM & Qt::ControlModifier) v |= 2;
    if (pM & Qt::AltModifier) v |= 4;
    return v;
}
