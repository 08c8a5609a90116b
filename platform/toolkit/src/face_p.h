#pragma once
class QPaintEvent;
class QWidget;

namespace plat {
// Paints a form's whole face from the kept copy when the form is shown as an
// earlier one was; otherwise leaves the paint to the form's controls.
void PaintFace(QWidget* form, const QPaintEvent& e);
// Whether the control's pixels follow from its key alone: its class (that
// class exactly, not one derived from it) has one, and it holds no widgets.
bool DrawnByItsKey(const QWidget* control);
}  // namespace plat
