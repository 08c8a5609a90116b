#pragma once
// The dialog drawn at twice the device pixels: same picture, same
// proportions, every element at twice its coordinates.
#include <QImage>

namespace scale {

// `one` is the dialog drawn at device pixel ratio 1, `two` at ratio 2 (its
// pixel size, not its logical size, is compared). Records failures.
void ExpectTwiceTheSize(const QImage& one, const QImage& two);

}  // namespace scale
