#pragma once

#include "form/WindowRow.h"

class QWidget;

namespace qm {

// Makes the widget of one row, of a kind the builder knows, inside its container: caption,
// items and first state, before it is placed. nullptr for the kinds a form's user makes and
// for tab pages, which belong to their tab control.
QWidget *createControlWidget(const WindowRow &row, QWidget *container);

} // namespace qm
