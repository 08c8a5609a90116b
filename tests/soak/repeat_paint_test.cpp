// What one process keeps from one dialog to the next so that repeated calls
// stay cheap: keypad faces, tinted glyphs and glyph and picture files. What
// is kept must never show anything other than painting afresh would.
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "CaseName.h"
#include "orv00006/dll/BlendedBitBtn.h"
#include "orv00006/dll/Messages.h"
#include "orv00006/platform/controls.h"

namespace {

const QColor kBackground(255, 255, 255);

// The widget drawn over a plain background at device pixel ratio 1.
QImage Render(QWidget* w) {
    QImage img(w->size(), QImage::Format_RGB32);
    img.fill(kBackground);
    w->render(&img);
    return img;
}

// The button as its own in-place paint draws it over the same background,
// nothing kept: what a kept face or button image must match.
QImage PaintedInPlace(const dll::TBlendedBitBtn& b) {
    QImage img(b.size(), QImage::Format_RGB32);
    img.fill(kBackground);
    QPainter p(&img);
    b.PaintInPlace(p);
    return img;
}

std::unique_ptr<dll::TBlendedBitBtn> Button(QSize size, const QColor& face, int radius) {
    auto b = std::make_unique<dll::TBlendedBitBtn>();
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

const FaceCase kFaceCases[] = {
    {"digit key", {70, 46}, 8, QColor(52, 73, 94), 0},
    {"wide key", {148, 46}, 8, QColor(39, 174, 96), 0},
    {"tall, large radius", {46, 94}, 20, QColor(192, 57, 43), 0},
    {"square corners", {30, 30}, 0, QColor(127, 140, 141), 0},
    {"odd size", {33, 17}, 5, QColor(1, 2, 3), 0},
    {"pressed", {70, 46}, 8, QColor(52, 73, 94), 1},
    {"disabled", {70, 46}, 8, QColor(52, 73, 94), 2},
};

void PrintTo(const FaceCase& c, std::ostream* os) { *os << c.what; }

// A face-only button in the case's state.
std::unique_ptr<dll::TBlendedBitBtn> FaceButton(const FaceCase& c) {
    auto b = Button(c.size, c.face, c.radius);
    if (c.state == 1) QTest::mousePress(b.get(), Qt::LeftButton, {}, QPoint(c.size.width() / 2, 2));
    if (c.state == 2) b->setEnabled(false);
    return b;
}

class KeptFaces : public ::testing::TestWithParam<FaceCase> {};

TEST_P(KeptFaces, AreThePixelsOfDrawingInPlace) {
    const FaceCase& c = GetParam();
    // ctest runs each row in a process of its own: the other rows' faces
    // are kept first, so that none of them can pass for this one.
    for (const FaceCase& other : kFaceCases)
        if (std::string_view(other.what) != c.what) Render(FaceButton(other).get());
    const QColor shown = c.state == 1 ? QColor(10, 20, 30) : c.state == 2 ? QColor(200, 200, 200) : c.face;
    // Twice: the first paint makes the face, the second finds it kept.
    for (int round = 0; round < 2; ++round) {
        auto b = FaceButton(c);
        const QImage expected = PaintedInPlace(*b);
        EXPECT_EQ(expected.pixelColor(c.size.width() / 2, c.size.height() / 2), shown) << "round " << round;
        EXPECT_EQ(Render(b.get()), expected) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, KeptFaces, ::testing::ValuesIn(kFaceCases),
                         [](const auto& row) { return CaseName(row.param.what); });

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

struct WholeCase {
    const char* what;
    QSize size;
    int radius;
    QColor face;
    QColor ink;
    const char* caption;
    int fontHeight;
    bool bold;
    bool glyph;
};

const WholeCase kWholeCases[] = {
    {"digit", {70, 46}, 8, QColor(52, 73, 94), QColor(255, 255, 255), "7", 24, false, false},
    {"digit, other colours", {70, 46}, 8, QColor(230, 126, 34), QColor(17, 34, 51), "0", 24, true, false},
    {"separator", {70, 46}, 8, QColor(52, 73, 94), QColor(200, 210, 90), ",", 24, false, false},
    {"glyph and caption", {148, 46}, 8, QColor(39, 174, 96), QColor(255, 255, 255), "OK", 16, true, true},
    {"glyph only", {70, 46}, 8, QColor(192, 57, 43), QColor(250, 120, 40), "", 24, false, true},
    // Wider than the flat part of the face: the text reaches the rounded
    // corners, whose edge pixels are translucent.
    {"caption into the corners", {40, 20}, 9, QColor(52, 73, 94), QColor(255, 255, 0), "Confirmar", 16, true, false},
    {"caption wider than the key", {30, 30}, 6, QColor(1, 2, 3), QColor(250, 250, 250), "W&&WWW", 24, true, false},
};

void PrintTo(const WholeCase& c, std::ostream* os) { *os << c.what; }

// A captioned (and perhaps glyphed) button as the case describes it.
std::unique_ptr<dll::TBlendedBitBtn> WholeButton(const WholeCase& c, const QString& glyphPath) {
    auto b = Button(c.size, c.face, c.radius);
    b->SetFontName(QStringLiteral("Arial"));
    b->SetFontHeight(c.fontHeight);
    b->SetFontBold(c.bold);
    b->SetFontColor(c.ink);
    b->SetCaption(QString::fromUtf8(c.caption));
    if (c.glyph) b->SetGlyphFile(glyphPath);
    return b;
}

class KeptButtons : public ::testing::TestWithParam<WholeCase> {};

TEST_P(KeptButtons, CaptionAndGlyphAreThePixelsOfDrawingInPlace) {
    const WholeCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("g.bmp"));
    WriteGlyph(path, QRect(6, 6, 12, 12));
    ASSERT_FALSE(QImage(path).isNull());
    // As for faces: every other row's image is kept before this row's.
    for (const WholeCase& other : kWholeCases)
        if (std::string_view(other.what) != c.what) Render(WholeButton(other, path).get());
    // Twice: the first paint makes the image, the second finds it kept.
    for (int round = 0; round < 2; ++round) {
        auto b = WholeButton(c, path);
        EXPECT_EQ(Render(b.get()), PaintedInPlace(*b)) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, KeptButtons, ::testing::ValuesIn(kWholeCases),
                         [](const auto& row) { return CaseName(row.param.what); });

TEST(KeptButtons, FollowCaptionFontAndStateChanges) {
    auto b = Button({70, 46}, QColor(52, 73, 94), 8);
    b->SetCaption(QStringLiteral("1"));
    const QImage one = Render(b.get());
    b->SetCaption(QStringLiteral("4"));
    const QImage four = Render(b.get());
    EXPECT_NE(one, four);
    b->SetFontHeight(12);
    EXPECT_NE(Render(b.get()), four);
    b->SetFontHeight(24);
    EXPECT_EQ(Render(b.get()), four);
    b->SetFontBold(true);
    EXPECT_NE(Render(b.get()), four);
    b->SetFontBold(false);
    b->SetFontName(QStringLiteral("Liberation Serif"));
    EXPECT_NE(Render(b.get()), four);
    b->SetFontName(QStringLiteral("Arial"));
    EXPECT_EQ(Render(b.get()), four);
    // Pressed: the pressed face and ink, not the kept normal image.
    QTest::mousePress(b.get(), Qt::LeftButton, {}, QPoint(35, 2));
    const QImage pressed = Render(b.get());
    EXPECT_EQ(pressed.pixelColor(35, 2), QColor(10, 20, 30));
    QTest::mouseRelease(b.get(), Qt::LeftButton, {}, QPoint(35, 2));
    EXPECT_EQ(Render(b.get()), four);
}

TEST(KeptPictures, FollowTransparencyAndSize) {
    // A picture with a red key colour (lower-left pixel) and a blue motif.
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 0));
    for (int y = 2; y < 6; ++y)
        for (int x = 2; x < 6; ++x) picture.setPixelColor(x, y, QColor(0, 0, 255));
    const struct {
        const char* what;
        bool transparent;
        QSize size;
        QRect blue;
        bool keyShown;
    } cases[] = {
        {"opaque, as is", false, {8, 8}, {2, 2, 4, 4}, true},
        {"transparent, as is", true, {8, 8}, {2, 2, 4, 4}, false},
        {"transparent, doubled", true, {16, 16}, {4, 4, 8, 8}, false},
        {"opaque, doubled", false, {16, 16}, {4, 4, 8, 8}, true},
        {"transparent, again", true, {8, 8}, {2, 2, 4, 4}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        plat::TImage image;
        image.resize(c.size);
        image.SetStretch(true);
        image.SetTransparent(c.transparent);
        image.SetPicture(picture);
        const QImage shown = Render(&image);
        EXPECT_EQ(Where(shown, QColor(0, 0, 255)), c.blue);
        EXPECT_EQ(shown.pixelColor(0, 0), c.keyShown ? QColor(255, 0, 0) : kBackground);
    }
}

TEST(KeptTextSizes, AutoSizeLabelsMeasureTheirOwnFont) {
    // The same captions in different fonts, each measured twice: sizes kept
    // from one font must never be given to another.
    const struct {
        const char* what;
        const char* face;
        int height;
        bool bold;
    } fonts[] = {{"Arial 13 bold", "Arial", 13, true},
                 {"Arial 13", "Arial", 13, false},
                 {"Arial 20", "Arial", 20, false},
                 {"Serif 13 bold", "Liberation Serif", 13, true}};
    const char* captions[] = {"Valor", "Percentual", "Desconto CRM&&Bonus", ""};
    for (int round = 0; round < 2; ++round) {
        for (const auto& f : fonts) {
            for (const char* caption : captions) {
                SCOPED_TRACE(std::string(f.what) + " / " + caption);
                plat::TLabel l;
                l.move(10, 5);
                l.SetFontName(QString::fromUtf8(f.face));
                l.SetFontHeight(f.height);
                l.SetFontBold(f.bold);
                l.SetAutoSize(true);
                l.SetCaption(QString::fromUtf8(caption));
                const QFontMetrics fm(plat::FontSpec{QString::fromUtf8(f.face), f.height, f.bold, Qt::black}.ToQFont());
                const QString shown = plat::TLabel::DisplayText(QString::fromUtf8(caption));
                EXPECT_EQ(l.geometry(), QRect(10, 5, fm.horizontalAdvance(shown), fm.height())) << "round " << round;
            }
        }
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

TEST(MessageTables, OnDiskAreReadAgain) {
    // Only the program's own table is kept; one on disk may have been edited.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("msg.txt"));
    const auto write = [&](const char* text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };
    write("M1|antes\n");
    dll::TMessages first;
    first.LoadFromFile(path);
    EXPECT_EQ(first.Msg(QStringLiteral("M1")), QStringLiteral("antes"));
    write("M1|depois\n");
    dll::TMessages second;
    second.LoadFromFile(path);
    EXPECT_EQ(second.Msg(QStringLiteral("M1")), QStringLiteral("depois"));
}

}  // namespace
