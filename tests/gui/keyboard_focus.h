#pragma once

#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace sonaro::test {

// Shows the window and waits until the keyboard is on it; false where the platform never puts it
// there (a Wayland compositor without a keyboard, as a headless one is), for the test to skip.
inline bool ShowWithKeyboard(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitFor([window] {
        return window->windowHandle() != nullptr &&
               QGuiApplication::focusWindow() == window->windowHandle();
    });
}

inline constexpr char kNoKeyboard[] =
    "the platform gives the window no keyboard (a compositor without a keyboard)";

}  // namespace sonaro::test
