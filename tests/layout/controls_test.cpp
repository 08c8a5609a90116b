// The drawing controls on their own: labels (ampersands, auto-size anchors),
// pictures (key colour, stretch), outline shapes, frames and keypad buttons.
#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <set>

#include "LayoutProbe.h"
#include "orv00006/dll/BlendedBitBtn.h"
#include "orv00006/platform/controls.h"
#include "orv00006/platform/forms.h"

namespace {

using probe::At;
using probe::Describe;

// Draws the widget alone over a ground of `ground` at the given ratio.
QImage Render(QWidget* w, const QColor& ground = ref::kWhite, qreal dpr = 1.0) {
    QImage img((QSizeF(w->size()) * dpr).toSize(), QImage::Format_RGB32);
    img.setDevicePixelRatio(dpr);
    img.fill(ground);
    w->render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    img.setDevicePixelRatio(1.0);
    return img;
}

plat::FontSpec Arial(int px, bool bold) { return {QStringLiteral("Arial"), px, bold, ref::kBlack}; }

// ------------------------------------------------------------------ TLabel

struct AmpersandCase {
    const char* written;
    const char* shown;
};

void PrintTo(const AmpersandCase& c, std::ostream* os) { *os << '"' << c.written << '"'; }

class LabelText : public ::testing::TestWithParam<AmpersandCase> {};

TEST_P(LabelText, TextReadsBackAsWrittenAndShowsAmpersandsOnce) {
    const AmpersandCase& c = GetParam();
    plat::TLabel l;
    l.SetCaption(QString::fromUtf8(c.written));
    EXPECT_EQ(l.Caption(), QString::fromUtf8(c.written));
    EXPECT_EQ(l.property("Caption").toString(), QString::fromUtf8(c.written));
    EXPECT_EQ(plat::TLabel::DisplayText(l.Caption()), QString::fromUtf8(c.shown));
}

INSTANTIATE_TEST_SUITE_P(Captions, LabelText,
                         ::testing::Values(AmpersandCase{"Desconto CRM&&Bonus", "Desconto CRM&Bonus"},
                                           AmpersandCase{"&Valor", "Valor"}, AmpersandCase{"A&&B", "A&B"},
                                           AmpersandCase{"a&&&b", "a&b"}, AmpersandCase{"&&&&", "&&"},
                                           AmpersandCase{"fim&", "fim"}, AmpersandCase{"sem marca", "sem marca"},
                                           AmpersandCase{"", ""}),
                         [](const auto& row) { return CaseName(row.param.written); });

TEST(Label, DoubleAmpersandDrawsOneAndASingleOneUnderlinesTheNextCharacter) {
    const plat::FontSpec font = Arial(16, true);
    const auto label = [&](const QString& caption) {
        plat::TLabel l;
        l.SetFontName(font.name);
        l.SetFontHeight(font.height);
        l.SetFontBold(font.bold);
        l.resize(200, 21);
        l.SetCaption(caption);
        return Render(&l);
    };
    const auto plain = [&](const QString& text) {
        QImage img(200, 21, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setFont(font.ToQFont());
        p.setPen(Qt::black);
        p.drawText(img.rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        return img;
    };
    EXPECT_EQ(label(QStringLiteral("CRM&&Bonus")), plain(QStringLiteral("CRM&Bonus")));
    EXPECT_NE(label(QStringLiteral("CRM&&Bonus")), plain(QStringLiteral("CRM&&Bonus")));

    // "&Valor": the letters of "Valor" plus an underline under the V only.
    const QImage marked = label(QStringLiteral("&Valor"));
    const QImage bare = plain(QStringLiteral("Valor"));
    const QFontMetrics fm(font.ToQFont());
    const int vWidth = fm.horizontalAdvance(QLatin1Char('V'));
    QRect extra;
    for (int y = 0; y < bare.height(); ++y)
        for (int x = 0; x < bare.width(); ++x)
            if (marked.pixel(x, y) != bare.pixel(x, y)) extra |= QRect(x, y, 1, 1);
    ASSERT_TRUE(extra.isValid()) << "no underline drawn";
    EXPECT_GE(extra.top(), fm.ascent() - 1);
    EXPECT_LE(extra.right(), vWidth + 1);
    EXPECT_GE(extra.width(), vWidth - 3);
}

struct AnchorCase {
    const char* what;
    int alignment;
    QRect start;
    bool keepsRight;
};

void PrintTo(const AnchorCase& c, std::ostream* os) { *os << c.what; }

class LabelAnchor : public ::testing::TestWithParam<AnchorCase> {};

TEST_P(LabelAnchor, AutoSizeKeepsTheAnchoredEdgeWhenTheTextChanges) {
    const AnchorCase& c = GetParam();
    // One label through every text in turn: the edge holds as it changes.
    const QStringList texts = {QStringLiteral("Valor"), QStringLiteral("Valor Máximo: R$ 1234,56"), QStringLiteral("V"),
                               QStringLiteral("A&&B"), QString()};
    QWidget parent;
    parent.resize(238, 385);
    plat::TLabel l(&parent);
    l.setGeometry(c.start);
    l.SetAlignment(c.alignment);
    l.SetFontName(QStringLiteral("Arial"));
    l.SetFontHeight(13);
    l.SetFontBold(true);
    l.SetAutoSize(true);
    const QFontMetrics fm(Arial(13, true).ToQFont());
    for (const QString& t : texts) {
        SCOPED_TRACE(t.toStdString());
        l.SetCaption(t);
        const QRect g = l.geometry();
        EXPECT_EQ(g.width(), fm.horizontalAdvance(plat::TLabel::DisplayText(t)));
        EXPECT_EQ(g.height(), fm.height());
        EXPECT_EQ(g.top(), c.start.top());
        if (c.keepsRight)
            EXPECT_EQ(g.x() + g.width(), c.start.x() + c.start.width());
        else
            EXPECT_EQ(g.x(), c.start.x());
    }
    // A bigger font grows the box from the same edge.
    l.SetCaption(QStringLiteral("Orv00006"));
    l.SetFontHeight(20);
    if (c.keepsRight)
        EXPECT_EQ(l.geometry().right(), c.start.right());
    else
        EXPECT_EQ(l.x(), c.start.x());
}

INSTANTIATE_TEST_SUITE_P(Alignments, LabelAnchor,
                         ::testing::Values(AnchorCase{"left-aligned", plat::taLeftJustify, {57, 47, 33, 16}, false},
                                           AnchorCase{"right-aligned", plat::taRightJustify, {186, 370, 49, 14}, true},
                                           AnchorCase{
                                               "centred keeps its left edge", plat::taCenter, {8, 4, 218, 21}, false}),
                         [](const auto& row) { return CaseName(row.param.what); });

TEST(Label, AFixedBoxNeverMoves) {
    plat::TLabel l;
    l.setGeometry(8, 4, 218, 21);
    l.SetAlignment(plat::taCenter);
    for (const char* t : {"Desconto", "Uma legenda bem mais comprida que a caixa do titulo", ""}) {
        l.SetCaption(QString::fromUtf8(t));
        EXPECT_EQ(l.geometry(), QRect(8, 4, 218, 21));
    }
}

TEST(Label, RightAndCentredTextSitAtTheirEdges) {
    plat::TLabel l;
    l.SetFontName(QStringLiteral("Arial"));
    l.SetFontHeight(11);
    l.resize(120, 14);
    l.SetCaption(QStringLiteral("Orv00006"));
    l.SetAlignment(plat::taRightJustify);
    const QRect right = probe::InkBounds(Render(&l), QRect(0, 0, 120, 14));
    ASSERT_TRUE(right.isValid());
    EXPECT_GE(right.right(), 117);
    l.SetAlignment(plat::taCenter);
    const QRect centre = probe::InkBounds(Render(&l), QRect(0, 0, 120, 14));
    EXPECT_LE(std::abs(centre.left() - (119 - centre.right())), 2);
    l.SetAlignment(plat::taLeftJustify);
    EXPECT_LE(probe::InkBounds(Render(&l), QRect(0, 0, 120, 14)).left(), 1);
}

// ------------------------------------------------------------------ TImage

// A 4 x 3 picture whose lower-left colour (the key) also appears inside.
QImage KeyedPicture(const QColor& key) {
    QImage p(4, 3, QImage::Format_RGB888);
    const QColor colours[3][4] = {
        {QColor(255, 0, 0), QColor(0, 0, 255), QColor(0, 255, 0), QColor(10, 20, 30)},
        {QColor(0, 0, 132), key, QColor(132, 132, 132), QColor(200, 200, 0)},
        {key, QColor(0, 132, 0), QColor(115, 123, 132), QColor(0, 255, 255)},
    };
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) p.setPixelColor(x, y, colours[y][x]);
    return p;
}

struct KeyColour {
    const char* name;
    QColor key;
};

struct StretchCase {
    const char* name;
    QSize size;
    qreal dpr;
};

void PrintTo(const KeyColour& k, std::ostream* os) { *os << k.name; }
void PrintTo(const StretchCase& c, std::ostream* os) { *os << c.name; }

class KeyColourAtEveryStretch : public ::testing::TestWithParam<std::tuple<KeyColour, StretchCase>> {};

TEST_P(KeyColourAtEveryStretch, KeyColourIsNeverDrawnNotEvenBlendedAtAnyStretchOrRatio) {
    const QColor key = std::get<0>(GetParam()).key;
    const StretchCase& c = std::get<1>(GetParam());
    const QImage pic = KeyedPicture(key);
    std::set<QRgb> allowed = {ref::kWhite.rgb()};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            if (pic.pixelColor(x, y) != key) allowed.insert(pic.pixelColor(x, y).rgb());
    plat::TImage img;
    img.SetStretch(true);
    img.SetTransparent(true);
    img.SetPicture(pic);
    img.resize(c.size);
    const QImage out = Render(&img, ref::kWhite, c.dpr);
    int keyPixels = 0;
    QPoint foreign(-1, -1);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const QRgb px = out.pixel(x, y);
            if (QColor(px) == key) ++keyPixels;
            if (!allowed.count(px) && foreign.x() < 0) foreign = {x, y};
        }
    EXPECT_EQ(keyPixels, 0);
    EXPECT_EQ(foreign, QPoint(-1, -1)) << "blended pixel " << Describe(At(out, foreign.x(), foreign.y()));
    // Stretched to the whole element, aspect ratio ignored: the
    // picture's corners land in the element's corners.
    EXPECT_EQ(At(out, 0, 0), pic.pixelColor(0, 0));
    EXPECT_EQ(At(out, out.width() - 1, 0), pic.pixelColor(3, 0));
    EXPECT_EQ(At(out, out.width() - 1, out.height() - 1), pic.pixelColor(3, 2));
    EXPECT_EQ(At(out, 0, out.height() - 1), ref::kWhite);  // the key corner
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, KeyColourAtEveryStretch,
    ::testing::Combine(::testing::Values(KeyColour{"check_key", ref::kKey}, KeyColour{"green_key", QColor(0, 255, 0)}),
                       ::testing::Values(StretchCase{"34x37", {34, 37}, 1}, StretchCase{"36x37", {36, 37}, 1},
                                         StretchCase{"4x3", {4, 3}, 1}, StretchCase{"3x2", {3, 2}, 1},
                                         StretchCase{"37x29_at_ratio_2", {37, 29}, 2},
                                         StretchCase{"34x37_at_ratio_1_5", {34, 37}, 1.5})),
    [](const auto& row) { return std::string(std::get<0>(row.param).name) + "_" + std::get<1>(row.param).name; });

TEST(Image, WithoutTransparencyTheKeyIsDrawnAndWithoutStretchTheSizeIsKept) {
    plat::TImage img;
    img.SetPicture(KeyedPicture(ref::kKey));
    img.resize(8, 6);
    img.SetStretch(false);
    img.SetTransparent(false);
    QImage out = Render(&img);
    EXPECT_EQ(At(out, 0, 2), ref::kKey);
    EXPECT_EQ(At(out, 3, 0), QColor(10, 20, 30));
    EXPECT_EQ(At(out, 4, 0), ref::kWhite);  // not stretched
    img.SetTransparent(true);
    out = Render(&img);
    EXPECT_EQ(At(out, 0, 2), ref::kWhite);
    EXPECT_EQ(At(out, 1, 1), ref::kWhite);
}

class CheckPictureSize : public ::testing::TestWithParam<QSize> {};

TEST_P(CheckPictureSize, TheCheckPictureShowsOnlyItsOwnColoursOnWhite) {
    const QSize size = GetParam();
    const QImage check(QStringLiteral(":/orv00006/artwork/check.bmp"));
    ASSERT_FALSE(check.isNull());
    const std::set<QRgb> allowed = {ref::kWhite.rgb(),           QColor(0, 255, 0).rgb(),     QColor(0, 0, 132).rgb(),
                                    QColor(132, 132, 132).rgb(), QColor(115, 123, 132).rgb(), QColor(0, 132, 0).rgb()};
    plat::TImage img;
    img.SetStretch(true);
    img.SetTransparent(true);
    img.SetPicture(check);
    img.resize(size);
    const QImage out = Render(&img);
    const QPoint odd = probe::FindFirst(out, out.rect(), [&](const QColor& c) { return !allowed.count(c.rgb()); });
    EXPECT_EQ(odd, QPoint(-1, -1)) << Describe(At(out, odd.x(), odd.y()));
    EXPECT_GT(probe::Count(out, out.rect(), [](const QColor& c) { return c == ref::kCheckGreen; }), 40);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CheckPictureSize,
                         ::testing::Values(QSize(34, 37), QSize(36, 37), QSize(40, 40), QSize(68, 74)),
                         [](const auto& row) {
                             return std::to_string(row.param.width()) + "x" + std::to_string(row.param.height());
                         });

TEST(Image, OnlyALeftClickReleasedInsideClicks) {
    plat::TImage img;
    img.resize(34, 37);
    QSignalSpy clicks(&img, &plat::TImage::OnClick);
    QTest::mouseClick(&img, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.value(0).value(0).value<QObject*>(), &img);
    QTest::mouseClick(&img, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mousePress(&img, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&img, Qt::LeftButton, {}, QPoint(50, 10));
    EXPECT_EQ(clicks.count(), 1);
}

// What a control keeps outside itself goes with it: a widget made where a
// destroyed control lived has no spoken name.
template <class Control>
QString SpokenNameWhereAControlDied(const QString& name) {
    alignas(Control) unsigned char place[sizeof(Control)];
    auto* control = new (place) Control;
    plat::SetSpokenName(control, name);
    control->~Control();
    auto* after = new (place) QWidget;
    QString spoken = plat::SpokenName(after);
    after->~QWidget();
    return spoken;
}

TEST(Image, AWidgetMadeWhereAControlDiedHasNoSpokenName) {
    EXPECT_EQ(SpokenNameWhereAControlDied<plat::TImage>(QStringLiteral("Valor")), QString());
    EXPECT_EQ(SpokenNameWhereAControlDied<dll::TBlendedBitBtn>(QStringLiteral("Corrigir")), QString());
}

// ------------------------------------------------------------------ TShape

class ShapeSize : public ::testing::TestWithParam<QSize> {};

TEST_P(ShapeSize, TwoPixelBandOnAllEdgesAroundAWhiteFill) {
    const QSize size = GetParam();
    plat::TShape s;
    s.SetPenColor(ref::kOutline);
    s.SetPenWidth(2);
    s.SetBrushColor(ref::kWhite);
    s.resize(size);
    const QImage out = Render(&s, QColor(255, 0, 255));
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const bool band = x < 2 || y < 2 || x >= size.width() - 2 || y >= size.height() - 2;
            ASSERT_EQ(At(out, x, y), band ? ref::kOutline : ref::kWhite) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ShapeSize, ::testing::Values(QSize(238, 385), QSize(10, 6), QSize(5, 5), QSize(4, 9)),
                         [](const auto& row) {
                             return std::to_string(row.param.width()) + "x" + std::to_string(row.param.height());
                         });

TEST(Shape, AlignedToTheClientAreaItFollowsItsParent) {
    QWidget parent;
    parent.resize(238, 385);
    parent.show();
    plat::TShape s(&parent);
    s.setGeometry(5, 5, 10, 10);
    s.SetAlignClient(true);
    EXPECT_EQ(s.geometry(), QRect(0, 0, 238, 385));
    parent.resize(300, 200);
    EXPECT_EQ(s.geometry(), QRect(0, 0, 300, 200));
    s.SetAlignClient(false);
    parent.resize(100, 100);
    EXPECT_EQ(s.geometry(), QRect(0, 0, 300, 200));
}

// ------------------------------------------------------------------ TBevel

TEST(Bevel, LoweredEtchedFrameWithAnUnfilledInside) {
    plat::TBevel b;
    b.resize(40, 41);
    const QColor ground(255, 0, 255);
    const QImage out = Render(&b, ground);
    const QColor shadow = plat::SystemColors::clBtnShadow;
    const QColor light = plat::SystemColors::clBtnHighlight;
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 40; ++x) {
            // A groove: shadow outside at the top and left and inside at the
            // bottom and right, highlight one pixel further in or out.
            QColor expected = ground;
            if (((y == 1 || y == 40) && x >= 1) || ((x == 1 || x == 39) && y >= 1)) expected = light;
            if (((y == 0 || y == 39) && x <= 38) || ((x == 0 || x == 38) && y <= 39)) expected = shadow;
            ASSERT_EQ(At(out, x, y), expected) << x << "," << y;
        }
}

// ----------------------------------------------------------- TBlendedBitBtn

class Button : public ::testing::Test {
protected:
    void SetUp() override {
        parent_ = std::make_unique<QWidget>();
        parent_->resize(100, 80);
        btn_ = new dll::TBlendedBitBtn(parent_.get());
        parent_->show();
        btn_->setGeometry(10, 10, 70, 46);
        btn_->SetFaceColor(ref::kConfirm);
        btn_->SetPressedColor(QColor(10, 20, 30));
        btn_->SetPressedFontColor(QColor(250, 120, 40));
        btn_->SetDisabledColor(ref::kDisabled);
        btn_->SetDisabledFontColor(QColor(255, 255, 0));
        btn_->SetCaption(QStringLiteral("5"));
    }
    void TearDown() override {
        parent_.reset();
        ExpectNoTopLevelWidgetsLeft();
    }
    QImage Face() { return Render(btn_, ref::kWhite); }

    std::unique_ptr<QWidget> parent_;
    dll::TBlendedBitBtn* btn_ = nullptr;
};

// The face fills the box up to its edges at mid-height and mid-width, with
// rounded corners and no outline.
void ExpectFace(const QImage& img, const QColor& face) {
    const QPoint edges[] = {{0, 23}, {69, 23}, {35, 0}, {35, 45}, {3, 23}, {66, 23}, {35, 3}, {35, 42}};
    for (const QPoint& p : edges) EXPECT_EQ(At(img, p.x(), p.y()), face) << p.x() << "," << p.y();
    EXPECT_EQ(At(img, 0, 0), ref::kWhite);
    EXPECT_EQ(At(img, 69, 45), ref::kWhite);
}

TEST_F(Button, StatesDrawInTheirOwnColours) {
    QImage img = Face();
    ExpectFace(img, ref::kConfirm);
    EXPECT_GT(probe::Count(img, img.rect(), [](const QColor& c) { return c == QColor(255, 255, 255); }), 20);

    QTest::mousePress(btn_, Qt::LeftButton, {}, QPoint(35, 23));
    EXPECT_TRUE(btn_->Down());
    img = Face();
    ExpectFace(img, QColor(10, 20, 30));
    EXPECT_GT(probe::Count(img, img.rect(), [](const QColor& c) { return c == QColor(250, 120, 40); }), 20);
    QTest::mouseRelease(btn_, Qt::LeftButton, {}, QPoint(35, 23));

    btn_->setEnabled(false);
    img = Face();
    ExpectFace(img, ref::kDisabled);
    EXPECT_GT(probe::Count(img, img.rect(), [](const QColor& c) { return c == QColor(255, 255, 0); }), 20);
}

TEST_F(Button, GlyphsAreCentredInTheInkOfTheStateAndTheirBackgroundIsLeftOut) {
    // A 34 x 34 glyph on a background unlike the face, with a white square.
    QImage glyph(34, 34, QImage::Format_RGB32);
    glyph.fill(QColor(39, 174, 96));
    for (int y = 12; y < 22; ++y)
        for (int x = 12; x < 22; ++x) glyph.setPixelColor(x, y, Qt::white);
    QTemporaryDir dir;
    const QString normal = dir.filePath(QStringLiteral("g.bmp"));
    ASSERT_TRUE(glyph.save(normal));
    glyph.fill(ref::kDisabled);
    for (int y = 4; y < 8; ++y)
        for (int x = 4; x < 30; ++x) glyph.setPixelColor(x, y, Qt::white);
    const QString disabled = dir.filePath(QStringLiteral("d.bmp"));
    ASSERT_TRUE(glyph.save(disabled));
    btn_->SetCaption(QString());
    btn_->SetGlyphFile(normal);
    btn_->SetDisabledGlyphFile(disabled);

    QImage img = Face();
    QRect ink = probe::InkBounds(img, QRect(4, 4, 62, 38), ref::kConfirm);
    EXPECT_EQ(ink, QRect(18 + 12, 6 + 12, 10, 10));
    EXPECT_EQ(At(img, 35, 23), ref::kWhite);
    btn_->setEnabled(false);
    img = Face();
    ink = probe::InkBounds(img, QRect(4, 4, 62, 38), ref::kDisabled);
    EXPECT_EQ(ink, QRect(18 + 4, 6 + 4, 26, 4));
    EXPECT_EQ(At(img, 30, 11), QColor(255, 255, 0));
}

TEST_F(Button, ClicksOnlyWhenEnabledAndReleasedInside) {
    QSignalSpy clicks(btn_, &dll::TBlendedBitBtn::OnClick);
    QTest::mouseClick(btn_, Qt::LeftButton, {}, QPoint(35, 23));
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.value(0).value(0).value<QObject*>(), btn_);
    QTest::mousePress(btn_, Qt::LeftButton, {}, QPoint(35, 23));
    QTest::mouseRelease(btn_, Qt::LeftButton, {}, QPoint(90, 23));
    QTest::mouseClick(btn_, Qt::RightButton, {}, QPoint(35, 23));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(btn_->Down());
    btn_->setEnabled(false);
    QTest::mouseClick(btn_, Qt::LeftButton, {}, QPoint(35, 23));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(btn_->Down());
}

struct CoverageCase {
    QColor background, pixel;
    int alpha;
};

void PrintTo(const CoverageCase& c, std::ostream* os) { *os << Describe(c.background) << " " << Describe(c.pixel); }

class GlyphMask : public ::testing::TestWithParam<CoverageCase> {};

TEST_P(GlyphMask, WhiteOverTheBackgroundBecomesCoverage) {
    const CoverageCase& c = GetParam();
    QImage g(2, 1, QImage::Format_RGB32);
    g.setPixelColor(0, 0, c.background);
    g.setPixelColor(1, 0, c.pixel);
    const QImage m = dll::TBlendedBitBtn::GlyphMask(g);
    EXPECT_EQ(qAlpha(m.pixel(0, 0)), 0);
    EXPECT_NEAR(qAlpha(m.pixel(1, 0)), c.alpha, 1);
}

std::string ColourName(const QColor& c) {
    return std::to_string(c.red()) + "_" + std::to_string(c.green()) + "_" + std::to_string(c.blue());
}

INSTANTIATE_TEST_SUITE_P(Pixels, GlyphMask,
                         ::testing::Values(CoverageCase{QColor(128, 128, 128), QColor(128, 128, 128), 0},
                                           CoverageCase{QColor(128, 128, 128), QColor(255, 255, 255), 255},
                                           CoverageCase{QColor(128, 128, 128), QColor(191, 191, 191), 127},
                                           CoverageCase{QColor(39, 174, 96), QColor(147, 214, 175), 127},
                                           CoverageCase{QColor(204, 204, 204), QColor(255, 255, 255), 255},
                                           CoverageCase{QColor(255, 255, 255), QColor(255, 255, 255), 0}),
                         [](const auto& row) {
                             return "on_" + ColourName(row.param.background) + "_pixel_" + ColourName(row.param.pixel);
                         });

// ------------------------------------------------------------------ TForm

// The form passes its window's activation on itself; a child of a class it
// does not know must still hear both halves.
TEST(Form, ChildrenOfOtherClassesStillHearActivation) {
    struct Listener : QWidget {
        using QWidget::QWidget;
        std::set<QEvent::Type> heard;
        bool event(QEvent* e) override {
            heard.insert(e->type());
            return QWidget::event(e);
        }
    };
    plat::TForm form;
    auto* other = new Listener(&form);
    new plat::TLabel(&form);
    form.show();
    QApplication::setActiveWindow(&form);
    QApplication::setActiveWindow(nullptr);
    EXPECT_TRUE(other->heard.count(QEvent::WindowActivate));
    EXPECT_TRUE(other->heard.count(QEvent::WindowDeactivate));
}

}  // namespace
