#pragma once
class QPaintEvent;
class QWidget;

namespace plat {
// Paints a form's whole face from the kept copy when the form is shown as an
// earlier one was; otherwise leaves the paint to the form's controls.
void PaintFace(QWidget* form, const QPaintEvent& e);
// Whether the control's class said how its pixels follow from its state
// (exactly that class, not one derived from it).
bool HasFaceKey(const QWidget* control);
}  // namespace plat
