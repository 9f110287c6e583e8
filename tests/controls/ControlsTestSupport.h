#pragma once

#include "services/ServicesTestSupport.h"
#include "services/core/TwipsPerPixel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using testsupport::TestApp;

// Sends a synthetic mouse event to the widget at pixel position pos.
inline void SendMouse(QWidget& w, QEvent::Type type, QPoint pos,
                      Qt::MouseButton button = Qt::LeftButton,
                      Qt::MouseButtons buttons = Qt::NoButton,
                      Qt::KeyboardModifiers mods = Qt::NoModifier) {
    if (buttons == Qt::NoButton && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove)
        buttons = button;
    const QPointF local(pos);
    QMouseEvent e(type, local, w.mapToGlobal(local), button, buttons, mods);
    QApplication::sendEvent(&w, &e);
}

inline void Press(QWidget& w, QPoint pos, Qt::MouseButton b = Qt::LeftButton,
                  Qt::KeyboardModifiers mods = Qt::NoModifier) {
    SendMouse(w, QEvent::MouseButtonPress, pos, b, b, mods);
}
inline void Release(QWidget& w, QPoint pos, Qt::MouseButton b = Qt::LeftButton,
                    Qt::KeyboardModifiers mods = Qt::NoModifier) {
    SendMouse(w, QEvent::MouseButtonRelease, pos, b, Qt::NoButton, mods);
}
inline void MoveHeld(QWidget& w, QPoint pos) {
    SendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
}
inline void MoveFree(QWidget& w, QPoint pos) {
    SendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton);
}
inline void DoubleClick(QWidget& w, QPoint pos, Qt::MouseButton b = Qt::LeftButton) {
    SendMouse(w, QEvent::MouseButtonDblClick, pos, b, b);
}

// Base of the widget tests: the application exists before any member widget.
class ControlTest : public ::testing::Test {
  protected:
    ControlTest() {
        TestApp();
        TwipsPerPixel = 15;
    }
};
