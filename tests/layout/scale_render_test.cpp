// The dialog drawn into a picture of device pixel ratio 2 (as a screen
// grabber on a scaled screen does) is the same picture at twice the size.
#include "LayoutProbe.h"
#include "ScaleChecks.h"

namespace {

class ScaleRender : public KindFixture {};

QImage RenderAt(QWidget* w, qreal dpr) {
    QImage image((QSizeF(w->size()) * dpr).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::black);
    w->render(&image);
    return image;
}

TEST_P(ScaleRender, EveryKindAtTwiceTheDevicePixels) {
    Open(GetParam());
    scale::ExpectTwiceTheSize(Grab(), RenderAt(dialog_, 2.0));
}

INSTANTIATE_TEST_SUITE_P(Kinds, ScaleRender, ::testing::ValuesIn(ref::kKinds), KindName);

}  // namespace
