// Enter and Escape take the focus to the enclosing page, strip or window before the key reaches its control,
// so a numeric edit commits its text and nothing closes.
#pragma once

class QWidget;

namespace kel {

// Marks a widget as one that takes the focus to itself on Enter or Escape pressed inside it. The
// innermost marked ancestor takes it first, then the outer ones (the main window last); the key then
// goes on to the control it was meant for.
void TakeFocusOnEnter(QWidget* widget);

} // namespace kel
