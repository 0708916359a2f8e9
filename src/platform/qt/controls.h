// The Qt widget of each control kind: making it, showing a state on it (only what differs), and
// reading back what it shows.
#pragma once

#include "platform/toolkit.h"

class QWidget;

namespace vdinv::platform::qt {

// The widget for the control, placed in its parent. Radio buttons are grouped by the caller.
QWidget* CreateControl(const ControlPlan& plan, QWidget* parent);

// Shows the state, changing only what differs from what the widget shows; the caller keeps
// the widget's signals blocked meanwhile.
void ApplyState(QWidget& widget, ControlKind kind, const ControlState& state);

// What the widget shows, in the fields its kind uses (the others keep their defaults).
ControlState ShownState(const QWidget& widget, ControlKind kind);

// The Windows virtual key code of a Qt key (Delete 46), 0 for a key without one.
int WindowsKeyCode(int qtKey);

}  // namespace vdinv::platform::qt
