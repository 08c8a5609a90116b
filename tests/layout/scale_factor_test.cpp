// Run with QT_SCALE_FACTOR=2: the whole dialog renders at twice the size
// with the same proportions, while its layout keeps its logical pixels.
#include "LayoutProbe.h"
#include "ScaleChecks.h"

namespace {

class ScaleFactor : public KindFixture {};

TEST_P(ScaleFactor, TheDialogDrawsAtTwiceItsSize) {
    ASSERT_EQ(qgetenv("QT_SCALE_FACTOR"), QByteArray("2")) << "this test runs with QT_SCALE_FACTOR=2";
    auto* d = Open(GetParam());
    ASSERT_EQ(d->devicePixelRatio(), 2.0);
    EXPECT_EQ(d->size(), QSize(ref::kWidth, ref::kHeight));
    EXPECT_EQ(d->findChild<QWidget*>(QStringLiteral("sbtEnter"))->geometry(), QRect(158, 324, 70, 46));
    const QImage two = d->grab().toImage();
    EXPECT_EQ(two.devicePixelRatio(), 2.0);
    scale::ExpectTwiceTheSize(Grab(), two);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ScaleFactor, ::testing::ValuesIn(ref::kKinds), KindName);

}  // namespace
