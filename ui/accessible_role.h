#pragma once

#include <QAccessible>

class QWidget;

namespace sonaro {

// Gives a window made of a plain widget the role that assistive technology announces for it
// (a window or a dialog); without one it is an anonymous "filler". Called before the window is
// first shown.
void SetAccessibleRole(QWidget* window, QAccessible::Role role);

}  // namespace sonaro
