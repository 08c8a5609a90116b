#include "ScaleChecks.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "LayoutProbe.h"

namespace scale {

using probe::At;
using probe::Describe;
using probe::Distance;
using probe::Scaled;

namespace {

QColor Mean(const QImage& img, const QRect& r) {
    long sum[3] = {0, 0, 0};
    long n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = At(img, x, y);
            sum[0] += c.red();
            sum[1] += c.green();
            sum[2] += c.blue();
            ++n;
        }
    return n == 0 ? QColor() : QColor(int(sum[0] / n), int(sum[1] / n), int(sum[2] / n));
}

}  // namespace

void ExpectTwiceTheSize(const QImage& one, const QImage& two) {
    ASSERT_EQ(one.size(), QSize(ref::kWidth, ref::kHeight));
    ASSERT_EQ(two.size(), QSize(2 * ref::kWidth, 2 * ref::kHeight));

    // The outline band is four device pixels wide, all around.
    const QRect inner(4, 4, two.width() - 8, two.height() - 8);
    int wrong = 0;
    for (int y = 0; y < two.height(); ++y)
        for (int x = 0; x < two.width(); ++x)
            if (!inner.contains(x, y) && At(two, x, y) != ref::kOutline) ++wrong;
    EXPECT_EQ(wrong, 0) << "outline band at twice the size";
    EXPECT_EQ(At(two, 4, 400), ref::kWhite);
    EXPECT_EQ(At(two, two.width() - 5, 400), ref::kWhite);

    // Keys: face colour up to the doubled box at mid-height and mid-width,
    // white just outside.
    for (const ref::Element& e : ref::Buttons()) {
        SCOPED_TRACE(e.name);
        const QRect r = Scaled(e.rect, 2);
        const QColor face = e.enabled ? e.fill : ref::kDisabled;
        const int midX = r.x() + r.width() / 2;
        const int midY = r.y() + r.height() / 2;
        for (const QPoint p : {QPoint(r.left(), midY), QPoint(r.right(), midY), QPoint(midX, r.top()),
                               QPoint(midX, r.bottom()), QPoint(r.left() + 6, midY), QPoint(r.right() - 6, midY)})
            EXPECT_EQ(At(two, p.x(), p.y()), face) << p.x() << "," << p.y() << " " << Describe(At(two, p.x(), p.y()));
        for (const QPoint p : {QPoint(r.left() - 1, midY), QPoint(r.right() + 1, midY), QPoint(midX, r.top() - 1)})
            EXPECT_EQ(At(two, p.x(), p.y()), ref::kWhite) << p.x() << "," << p.y();
        // Captions and glyphs stay centred.
        const QRect ink1 = probe::InkBounds(one, e.rect.adjusted(4, 4, -4, -4), face);
        const QRect ink2 = probe::InkBounds(two, r.adjusted(8, 8, -8, -8), face);
        ASSERT_TRUE(ink1.isValid() && ink2.isValid());
        EXPECT_NEAR(ink2.center().x(), 2 * ink1.center().x(), 3);
        EXPECT_NEAR(ink2.center().y(), 2 * ink1.center().y(), 3);
        EXPECT_NEAR(ink2.width(), 2 * ink1.width(), 4);
        EXPECT_NEAR(ink2.height(), 2 * ink1.height(), 4);
    }

    // The check mark: four times the green, inside the doubled picture, and
    // still no key colour anywhere.
    const QRect valor = ref::Find("imgValor").rect;
    const auto green = [](const QColor& c) { return c == ref::kCheckGreen; };
    const int green1 = probe::Count(one, valor, green);
    const int green2 = probe::Count(two, Scaled(valor, 2), green);
    if (green1 > 0)
        EXPECT_NEAR(green2, 4 * green1, green1);
    else
        EXPECT_EQ(green2, 0);
    EXPECT_EQ(probe::Count(two, two.rect(), green), green2);
    const QPoint purple =
        probe::FindFirst(two, two.rect(), [](const QColor& c) { return Distance(c, ref::kKey) <= 60; });
    EXPECT_EQ(purple, QPoint(-1, -1)) << Describe(At(two, purple.x(), purple.y()));

    // Title: centred in the doubled box, twice as wide.
    const QRect title = ref::Find("lblCabec").rect;
    const QRect t1 = probe::InkBounds(one, title);
    const QRect t2 = probe::InkBounds(two, Scaled(title, 2));
    ASSERT_TRUE(t1.isValid() && t2.isValid());
    EXPECT_LE(std::abs((t2.left() - 2 * title.left()) - (2 * title.right() + 1 - t2.right())), 4);
    EXPECT_NEAR(t2.width(), 2 * t1.width(), 4);
    EXPECT_NEAR(t2.height(), 2 * t1.height(), 3);

    // Footer: right edge at twice x 235.
    const QRect f2 = probe::InkBounds(two, QRect(4, 740, two.width() - 8, 26));
    ASSERT_TRUE(f2.isValid());
    EXPECT_LE(f2.right(), 2 * 235 - 1);
    EXPECT_GE(f2.right(), 2 * 235 - 8);

    // Every element's area, and the picture as a whole, averaged back to
    // one device pixel, matches the picture at ratio 1.
    for (const ref::Element& e : ref::kElements) {
        if (!e.visible) continue;
        SCOPED_TRACE(e.name);
        const QRect r = e.rect & one.rect();
        EXPECT_LE(Distance(Mean(one, r), Mean(two, Scaled(r, 2))), 12)
            << Describe(Mean(one, r)) << " vs " << Describe(Mean(two, Scaled(r, 2)));
    }
    int differing = 0;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x) {
            const QColor m = Mean(two, QRect(2 * x, 2 * y, 2, 2));
            if (Distance(m, At(one, x, y)) > 64) ++differing;
        }
    EXPECT_LT(differing, one.width() * one.height() / 50) << differing << " pixels differ";
}

}  // namespace scale
