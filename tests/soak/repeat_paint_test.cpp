// What one process keeps from one dialog to the next so that repeated calls
// stay cheap: keypad faces, tinted glyphs and glyph and picture files. What
// is kept must never show anything other than painting afresh would.
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "dll/BlendedBitBtn.h"
#include "platform/controls.h"

namespace {

const QColor kBackground(255, 255, 255);

// The widget drawn over a plain background at device pixel ratio 1.
QImage Render(QWidget* w) {
    QImage img(w->size(), QImage::Format_RGB32);
    img.fill(kBackground);
    w->render(&img);
    return img;
}

// A rounded face as QPainter draws it in place: what a kept face must match.
QImage FaceDrawnInPlace(QSize size, const QColor& fill, int radius) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(kBackground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(img.rect()), radius, radius);
    return img;
}

std::unique_ptr<TBlendedBitBtn> Button(QSize size, const QColor& face, int radius) {
    auto b = std::make_unique<TBlendedBitBtn>();
    b->resize(size);
    b->SetFaceColor(face);
    b->SetPressedColor(QColor(10, 20, 30));
    b->SetDisabledColor(QColor(200, 200, 200));
    b->SetRadius(radius);
    return b;
}

// A glyph picture: a white square on a green background.
void WriteGlyph(const QString& path, QRect square) {
    QImage g(24, 24, QImage::Format_RGB32);
    g.fill(QColor(39, 174, 96));
    for (int y = square.top(); y <= square.bottom(); ++y)
        for (int x = square.left(); x <= square.right(); ++x) g.setPixelColor(x, y, Qt::white);
    ASSERT_TRUE(g.save(path, "BMP"));
}

// Bounds of the pixels of one colour.
QRect Where(const QImage& img, const QColor& c) {
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == c) r |= QRect(x, y, 1, 1);
    return r;
}

struct FaceCase {
    const char* what;
    QSize size;
    int radius;
    QColor face;
    int state;  // 0 normal, 1 pressed, 2 disabled
};

TEST(KeptFaces, AreThePixelsOfDrawingInPlace) {
    const FaceCase cases[] = {
        {"digit key", {70, 46}, 8, QColor(52, 73, 94), 0},
        {"wide key", {148, 46}, 8, QColor(39, 174, 96), 0},
        {"tall, large radius", {46, 94}, 20, QColor(192, 57, 43), 0},
        {"square corners", {30, 30}, 0, QColor(127, 140, 141), 0},
        {"odd size", {33, 17}, 5, QColor(1, 2, 3), 0},
        {"pressed", {70, 46}, 8, QColor(52, 73, 94), 1},
        {"disabled", {70, 46}, 8, QColor(52, 73, 94), 2},
    };
    for (const FaceCase& c : cases) {
        SCOPED_TRACE(c.what);
        const QColor shown = c.state == 1 ? QColor(10, 20, 30) : c.state == 2 ? QColor(200, 200, 200) : c.face;
        const QImage expected = FaceDrawnInPlace(c.size, shown, c.radius);
        // Twice: the first paint makes the face, the second finds it kept.
        for (int round = 0; round < 2; ++round) {
            auto b = Button(c.size, c.face, c.radius);
            if (c.state == 1) QTest::mousePress(b.get(), Qt::LeftButton, {}, QPoint(c.size.width() / 2, 2));
            if (c.state == 2) b->setEnabled(false);
            EXPECT_EQ(Render(b.get()), expected) << "round " << round;
        }
    }
}

TEST(KeptFaces, FollowColourChangesAndStayRightPastTheirLimit) {
    auto b = Button({70, 46}, QColor(52, 73, 94), 8);
    EXPECT_EQ(Render(b.get()).pixelColor(35, 23), QColor(52, 73, 94));
    b->SetFaceColor(QColor(192, 57, 43));
    EXPECT_EQ(Render(b.get()).pixelColor(35, 23), QColor(192, 57, 43));

    // Far more sizes and colours than are kept: each is still its own.
    for (int i = 0; i < 150; ++i) {
        const QColor face(i, 255 - i, (i * 7) % 256);
        auto k = Button({20 + i % 37, 20 + i % 11}, face, i % 9);
        const QImage img = Render(k.get());
        EXPECT_EQ(img.pixelColor(img.width() / 2, img.height() / 2), face) << i;
        if (i % 9 >= 5) {
            EXPECT_EQ(img.pixelColor(0, 0), kBackground) << i;
        }
    }
    EXPECT_EQ(Render(b.get()).pixelColor(35, 23), QColor(192, 57, 43));
}

TEST(KeptGlyphs, FollowTheInkOfTheState) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("g.bmp"));
    WriteGlyph(path, QRect(8, 8, 8, 8));
    const struct {
        const char* what;
        QColor ink;
    } inks[] = {{"cyan", QColor(0, 255, 255)}, {"yellow", QColor(255, 255, 0)}, {"orange", QColor(250, 120, 40)}};
    auto b = Button({70, 46}, QColor(52, 73, 94), 8);
    b->SetGlyphFile(path);
    for (const auto& i : inks) {
        SCOPED_TRACE(i.what);
        b->SetFontColor(i.ink);
        EXPECT_EQ(Where(Render(b.get()), i.ink), QRect(23 + 8, 11 + 8, 8, 8));
    }
}

TEST(GlyphAndPictureFiles, OnDiskAreReadAgain) {
    // Only resource pictures are kept; a file on disk may have changed.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("g.bmp"));
    auto b = Button({70, 46}, QColor(52, 73, 94), 8);
    b->SetFontColor(QColor(255, 255, 0));
    WriteGlyph(path, QRect(2, 2, 4, 4));
    b->SetGlyphFile(path);
    EXPECT_EQ(Where(Render(b.get()), QColor(255, 255, 0)), QRect(23 + 2, 11 + 2, 4, 4));
    WriteGlyph(path, QRect(14, 10, 6, 6));
    b->SetGlyphFile(path);
    EXPECT_EQ(Where(Render(b.get()), QColor(255, 255, 0)), QRect(23 + 14, 11 + 10, 6, 6));

    plat::TImage image;
    image.resize(24, 24);
    const QString picture = dir.filePath(QStringLiteral("p.bmp"));
    WriteGlyph(picture, QRect(0, 0, 4, 4));
    image.SetPictureFile(picture);
    EXPECT_EQ(Where(Render(&image), Qt::white), QRect(0, 0, 4, 4));
    WriteGlyph(picture, QRect(20, 20, 4, 4));
    image.SetPictureFile(picture);
    EXPECT_EQ(Where(Render(&image), Qt::white), QRect(20, 20, 4, 4));
}

}  // namespace
