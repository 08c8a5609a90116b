// The dialog as drawn, pixel by pixel, as loaded and after the set-up of
// every kind: outline, white ground, keys, the check mark, footer, title and
// the option row.
#include <QPainter>
#include <QTest>

#include "LayoutProbe.h"
#include "orv00006/dll/BlendedBitBtn.h"
#include "orv00006/platform/controls.h"

namespace {

using probe::At;
using probe::Describe;
using probe::Distance;

const QColor kMagenta(255, 0, 255);  // the window background the fixture sets

bool IsPurplish(const QColor& c) { return Distance(c, ref::kKey) <= 60; }
bool IsCheckGreen(const QColor& c) { return c == ref::kCheckGreen; }
bool IsWhite(const QColor& c) { return c == ref::kWhite; }

// Where something may be drawn on the white ground: visible elements, with
// labels counted only when they have text.
QList<QRect> DrawnRects(QWidget* dialog) {
    QList<QRect> rects;
    for (const ref::Element& e : ref::kElements) {
        if (e.kind == ref::Kind::Shape) continue;
        auto* w = dialog->findChild<QWidget*>(QString::fromLatin1(e.name));
        if (w->isHidden()) continue;
        if (auto* l = qobject_cast<plat::TLabel*>(w); l && l->Caption().isEmpty()) continue;
        rects << w->geometry();
    }
    return rects;
}

void ExpectOutlineAndGround(const QImage& img, QWidget* dialog) {
    ASSERT_EQ(img.size(), QSize(ref::kWidth, ref::kHeight));
    const QRect inner(ref::kBand, ref::kBand, ref::kWidth - 2 * ref::kBand, ref::kHeight - 2 * ref::kBand);
    int wrongBand = 0;
    QPoint firstWrong(-1, -1);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!inner.contains(x, y) && At(img, x, y) != ref::kOutline) {
                if (wrongBand++ == 0) firstWrong = {x, y};
            }
    EXPECT_EQ(wrongBand, 0) << "outline band broken first at " << firstWrong.x() << "," << firstWrong.y() << ": "
                            << Describe(At(img, firstWrong.x(), firstWrong.y()));
    // The band is exactly two pixels: the next ring in is white.
    for (const QPoint p : {QPoint(2, 192), QPoint(235, 192), QPoint(119, 2), QPoint(60, 382)})
        EXPECT_EQ(At(img, p.x(), p.y()), ref::kWhite) << p.x() << "," << p.y();

    const QList<QRect> drawn = DrawnRects(dialog);
    int notWhite = 0;
    QPoint first(-1, -1);
    for (int y = inner.top(); y <= inner.bottom(); ++y)
        for (int x = inner.left(); x <= inner.right(); ++x) {
            bool covered = false;
            for (const QRect& r : drawn) covered = covered || r.contains(x, y);
            if (!covered && At(img, x, y) != ref::kWhite && notWhite++ == 0) first = {x, y};
        }
    EXPECT_EQ(notWhite, 0) << "ground not white first at " << first.x() << "," << first.y() << ": "
                           << Describe(At(img, first.x(), first.y()));
    EXPECT_EQ(probe::Count(img, img.rect(), [](const QColor& c) { return c == kMagenta; }), 0)
        << "the window's own background shows";
}

// Face colour near the edges of the key, at the edges of its box at
// mid-height and mid-width, and white just outside.
void ExpectKeyFace(const QImage& img, const QRect& r, const QColor& face, const char* name) {
    SCOPED_TRACE(name);
    const int midX = r.x() + r.width() / 2;
    const int midY = r.y() + r.height() / 2;
    const QPoint inside[] = {
        {r.left() + 3, midY},
        {r.right() - 3, midY},
        {midX, r.top() + 3},
        {midX, r.bottom() - 3},
        {r.left(), midY},
        {r.right(), midY},
        {midX, r.top()},
        {midX, r.bottom()},
        {r.left() + 3, r.top() + 8},
        {r.right() - 3, r.bottom() - 8},
    };
    for (const QPoint& p : inside)
        EXPECT_EQ(At(img, p.x(), p.y()), face)
            << "at " << p.x() << "," << p.y() << " " << Describe(At(img, p.x(), p.y()));
    const QPoint outside[] = {{r.left() - 1, midY}, {r.right() + 1, midY}, {midX, r.top() - 1}};
    for (const QPoint& p : outside)
        EXPECT_EQ(At(img, p.x(), p.y()), ref::kWhite) << "outside at " << p.x() << "," << p.y();
    // Below the bottom row lies the footer line; only the other rows are
    // checked there.
    if (r.bottom() + 1 < 370) {
        EXPECT_EQ(At(img, midX, r.bottom() + 1), ref::kWhite);
    }
    // Rounded: the very corner is not face colour.
    EXPECT_NE(At(img, r.left(), r.top()), face);
    EXPECT_NE(At(img, r.right(), r.bottom()), face);
}

class Pixels : public LayoutFixture {};
class PixelsByKind : public KindFixture {};

TEST_P(PixelsByKind, OutlineWhiteGroundAndNoWindowBackgroundForEveryKind) {
    const ref::KindCase& k = GetParam();
    auto* d = Open(k);
    ExpectOutlineAndGround(Grab(), d);
    Type(QStringLiteral("Alt+P 1 2 3"));
    ExpectOutlineAndGround(Grab(), d);
}

TEST_P(PixelsByKind, KeyFacesFillTheirBoxesInTheirColours) {
    const ref::KindCase& k = GetParam();
    Open(k);
    const QImage img = Grab();
    for (const ref::Element& e : ref::Buttons())
        ExpectKeyFace(img, e.rect, e.enabled ? e.fill : ref::kDisabled, e.name);
}

// The dialog painted a region at a time: its face is then never copied
// whole, so this is what painting in place draws.
QImage InPlace(QWidget* w) {
    QImage img(w->size(), QImage::Format_RGB32);
    img.fill(Qt::black);
    const int half = w->height() / 2;
    w->render(&img, QPoint(0, 0), QRegion(0, 0, w->width(), half));
    w->render(&img, QPoint(0, half), QRegion(0, half, w->width(), w->height() - half));
    return img;
}

// Dialogs opened as earlier ones were copy a kept face; one that differs in
// anything it shows (kind, typed amount, option, a key held) must not.
TEST_P(PixelsByKind, AKeptFaceIsThePixelsOfPaintingInPlace) {
    for (int i = 0; i < 3; ++i) {
        Open(ref::kKinds[0]);
        EXPECT_EQ(Grab(), InPlace(dialog_)) << "plain dialog " << i;
    }
    for (int i = 0; i < 3; ++i) {
        Open(GetParam());
        EXPECT_EQ(Grab(), InPlace(dialog_)) << "opened " << i;
    }
    Type(QStringLiteral("1 2"));
    EXPECT_EQ(Grab(), InPlace(dialog_)) << "typed";
    Type(QStringLiteral("Alt+P"));
    EXPECT_EQ(Grab(), InPlace(dialog_)) << "percentage";
    QTest::mousePress(Element("sbt5"), Qt::LeftButton, {}, QPoint(35, 23));
    EXPECT_EQ(Grab(), InPlace(dialog_)) << "key held";
}

class PixelsByKey : public LayoutFixture, public ::testing::WithParamInterface<ref::Element> {};

TEST_P(PixelsByKey, CaptionsAndGlyphsAreWhiteAndCentred) {
    const ref::Element& e = GetParam();
    Open(ref::kKinds[0]);
    const QImage img = Grab();
    const QColor face = e.enabled ? e.fill : ref::kDisabled;
    const QRect inner = e.rect.adjusted(4, 4, -4, -4);
    const QRect ink = probe::InkBounds(img, inner, face);
    ASSERT_TRUE(ink.isValid());
    EXPECT_GT(probe::Count(img, inner, [](const QColor& c) { return Distance(c, ref::kWhite) <= 24; }), 4)
        << "no white caption or glyph";
    // Nothing but the face, white and blends of the two.
    const QPoint odd = probe::FindFirst(img, inner, [&](const QColor& c) {
        const auto between = [](int a, int lo, int hi) {
            return a >= std::min(lo, hi) - 1 && a <= std::max(lo, hi) + 1;
        };
        return !(between(c.red(), face.red(), 255) && between(c.green(), face.green(), 255) &&
                 between(c.blue(), face.blue(), 255));
    });
    EXPECT_EQ(odd, QPoint(-1, -1)) << Describe(At(img, odd.x(), odd.y()));
    // Glyphs are 34 x 34, centred on the 70 x 46 key; only their motif
    // (columns and rows of the artwork table) shows, not their ground.
    const QPoint glyphAt = e.rect.topLeft() + QPoint((70 - 34) / 2, (46 - 34) / 2);
    const auto motif = [&](int c0, int r0, int c1, int r1) {
        return QRect(glyphAt + QPoint(c0, r0), glyphAt + QPoint(c1, r1));
    };
    const auto expectNear = [](const QRect& got, const QRect& want) {
        EXPECT_LE(std::abs(got.left() - want.left()), 1) << got.left() << " vs " << want.left();
        EXPECT_LE(std::abs(got.right() - want.right()), 1) << got.right() << " vs " << want.right();
        EXPECT_LE(std::abs(got.top() - want.top()), 1) << got.top() << " vs " << want.top();
        EXPECT_LE(std::abs(got.bottom() - want.bottom()), 1) << got.bottom() << " vs " << want.bottom();
    };
    if (e.name == std::string("sbtCorrigir")) expectNear(ink, motif(4, 8, 29, 26));
    if (e.name == std::string("sbtEnter")) expectNear(ink, motif(7, 8, 26, 26));
    if (e.name == std::string("sbtCancelar")) expectNear(ink, motif(7, 7, 26, 26));
    if (e.name == std::string("sbtPonto")) {
        // The keyboard (32 x 17 pixels of motif) with the point beside it,
        // the pair centred.
        EXPECT_EQ(ink.top(), glyphAt.y() + 8);
        EXPECT_EQ(ink.bottom(), glyphAt.y() + 24);
        EXPECT_GE(ink.width(), 36);
        EXPECT_LE(std::abs(ink.center().x() - e.rect.center().x()), 3);
        return;
    }
    EXPECT_LE(std::abs(ink.center().x() - e.rect.center().x()), 2) << "ink " << ink.x() << "+" << ink.width();
    const bool glyph = QString::fromUtf8(e.caption).isEmpty();
    if (glyph || QString::fromUtf8(e.caption).at(0).isDigit()) {
        EXPECT_LE(std::abs(ink.center().y() - e.rect.center().y()), 2) << "ink " << ink.y() << "+" << ink.height();
    }
    if (!glyph && QString::fromUtf8(e.caption).at(0).isDigit()) {
        // Digits of a 24-pixel Arial stand about 17 pixels tall.
        EXPECT_GE(ink.height(), 16);
        EXPECT_LE(ink.height(), 18);
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, PixelsByKey, ::testing::ValuesIn(ref::Buttons().begin(), ref::Buttons().end()),
                         ElementName);

class PressedKey : public LayoutFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(PressedKey, APressedKeyTurnsBlackWithAWhiteCaption) {
    const char* name = GetParam();
    Open(ref::kKinds[0]);
    const ref::Element& e = ref::Find(QString::fromLatin1(name));
    QWidget* key = Element(name);
    QTest::mousePress(key, Qt::LeftButton, {}, QPoint(35, 23));
    const QImage down = Grab();
    ExpectKeyFace(down, e.rect, ref::kBlack, name);
    EXPECT_GT(probe::Count(down, e.rect.adjusted(4, 4, -4, -4), IsWhite), 8);
    // Released off the key: no click, and the face comes back.
    QTest::mouseRelease(key, Qt::LeftButton, {}, QPoint(-20, -20));
    ExpectKeyFace(Grab(), e.rect, e.fill, name);
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_TRUE(dialog_->Digitos().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Keys, PressedKey, ::testing::Values("sbt5", "sbtEnter", "sbtCancelar"),
                         [](const auto& row) { return std::string(row.param); });

TEST_P(PixelsByKind, TheCheckMarkFollowsTheSelectedOption) {
    const QRect valor = ref::Find("imgValor").rect;
    const QRect percentual = ref::Find("imgPercentual").rect;
    const ref::KindCase& k = GetParam();
    Open(k);
    for (const char* tokens : {"", "Alt+P", "Alt+P Alt+V"}) {
        SCOPED_TRACE(tokens);
        Type(QString::fromLatin1(tokens));
        const bool p = dialog_->Tipo() == QLatin1String("P");
        const QImage img = Grab();
        const int inValor = probe::Count(img, valor, IsCheckGreen);
        const int inPercentual = probe::Count(img, percentual, IsCheckGreen);
        const bool valorShows = k.valueBox && !p;
        const bool percentualShows = k.percentBox && p;
        if (valorShows) {
            EXPECT_GT(inValor, 40);
        } else {
            EXPECT_EQ(inValor, 0);
        }
        if (percentualShows) {
            EXPECT_GT(inPercentual, 40);
        } else {
            EXPECT_EQ(inPercentual, 0);
        }
        // The unselected (or hidden) picture shows nothing at all.
        if (!valorShows) {
            EXPECT_EQ(probe::Count(img, valor, IsWhite), valor.width() * valor.height());
        }
        // (lblValor's longer text may reach into the hidden percentage box.)
        if (!percentualShows && k.percentBox) {
            EXPECT_EQ(probe::Count(img, percentual, IsWhite), percentual.width() * percentual.height());
        }
        // Green of the mark nowhere else.
        EXPECT_EQ(probe::Count(img, img.rect(), IsCheckGreen), inValor + inPercentual);
        const QPoint purple = probe::FindFirst(img, img.rect(), IsPurplish);
        EXPECT_EQ(purple, QPoint(-1, -1)) << Describe(At(img, purple.x(), purple.y()));
    }
}

class SelectedPicture : public LayoutFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(SelectedPicture, TheSelectedPictureIsStretchedToItsElement) {
    const char* tokens = GetParam();
    // The mark spans columns 16..40 and rows 2..26 of the 43x29 picture;
    // stretched to 34x37 (or 36x37) it keeps those proportions of the box.
    const QImage check(QStringLiteral(":/orv00006/artwork/check.bmp"));
    Open(ref::kKinds[1]);
    Type(QString::fromLatin1(tokens));
    const QRect r = ref::Find(*tokens ? "imgPercentual" : "imgValor").rect;
    const QRect ink = probe::InkBounds(Grab(), r);
    ASSERT_TRUE(ink.isValid());
    const double sx = double(r.width()) / check.width();
    const double sy = double(r.height()) / check.height();
    EXPECT_NEAR(ink.left() - r.left(), 16 * sx, 1.5);
    EXPECT_NEAR(ink.right() - r.left(), 40 * sx + sx - 1, 1.5);
    EXPECT_NEAR(ink.top() - r.top(), 2 * sy, 1.5);
    EXPECT_NEAR(ink.bottom() - r.top(), 26 * sy + sy - 1, 1.5);
}

// No keys: the value option; Alt+P: the percentage option.
INSTANTIATE_TEST_SUITE_P(Options, SelectedPicture, ::testing::Values("", "Alt+P"),
                         [](const auto& row) { return *row.param ? CaseName(row.param) : std::string("no_keys"); });

class EtchedFrame : public LayoutFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(EtchedFrame, FramesAreLoweredEtchedLinesAroundEmptyWhite) {
    const char* name = GetParam();
    Open(ref::kKinds[1]);
    Type(QStringLiteral("Alt+P"));
    const QImage img = Grab();
    const QColor shadow = plat::SystemColors::clBtnShadow;
    const QRect r = ref::Find(QString::fromLatin1(name)).rect;
    const int midX = r.x() + r.width() / 2;
    const int midY = r.y() + r.height() / 2;
    // Shadow outer top and left and inner right and bottom; highlight
    // (white) one pixel further right and down.
    EXPECT_EQ(At(img, r.left(), midY), shadow);
    EXPECT_EQ(At(img, midX, r.top()), shadow);
    EXPECT_EQ(At(img, r.right() - 1, midY), shadow);
    EXPECT_EQ(At(img, midX, r.bottom() - 1), shadow);
    EXPECT_EQ(At(img, r.left() + 1, midY), ref::kWhite);
    EXPECT_EQ(At(img, midX, r.top() + 1), ref::kWhite);
    EXPECT_EQ(At(img, r.right(), midY), ref::kWhite);
    EXPECT_EQ(At(img, midX, r.bottom()), ref::kWhite);
    EXPECT_EQ(At(img, r.left() - 1, midY), ref::kWhite);
    EXPECT_EQ(At(img, midX, r.top() - 1), ref::kWhite);
}

INSTANTIATE_TEST_SUITE_P(Frames, EtchedFrame, ::testing::Values("bvlValor", "bvlPercentual"),
                         [](const auto& row) { return std::string(row.param); });

TEST_F(Pixels, TheEmptyValueBoxIsWhiteInsideItsFrame) {
    Open(ref::kKinds[1]);
    Type(QStringLiteral("Alt+P"));
    const QImage img = Grab();
    // The empty value box: nothing inside the frame line.
    const QRect inside = ref::Find("bvlValor").rect.adjusted(2, 2, -2, -2);
    EXPECT_EQ(probe::Count(img, inside, IsWhite), inside.width() * inside.height());
}

TEST_P(PixelsByKind, HiddenOptionControlsAreAbsentFromThePicture) {
    const ref::KindCase& k = GetParam();
    Open(k);
    Type(QStringLiteral("Alt+P"));  // moves the check to the hidden percentage picture too
    const QImage img = Grab();
    const QRect valueBox = ref::Find("bvlValor").rect;
    const QRect percentBox = ref::Find("bvlPercentual").rect | ref::Find("lblPrecentual").rect;
    const auto white = [&](const QRect& r) { return probe::Count(img, r, IsWhite) == r.width() * r.height(); };
    if (!k.valueBox) {
        EXPECT_TRUE(white(valueBox));
    }
    if (!k.percentBox) {
        // lblValor's longer text may run into the box's place.
        const QRect valor = Element("lblValor")->geometry();
        EXPECT_TRUE(white(percentBox.adjusted(std::max(0, valor.right() + 1 - percentBox.left()), 0, 0, 0)));
        EXPECT_FALSE(white(valor));
    }
    if (k.valueBox) {
        EXPECT_FALSE(white(valueBox));
    }
    if (k.percentBox) {
        EXPECT_FALSE(white(percentBox));
    }
}

TEST_F(Pixels, TheValueLabelGrowsToTheRightFromItsLeftEdge) {
    // The "V" both texts start with sits in the same place; the longer text
    // reaches far to the right.
    const QRect firstLetter(53, 44, 12, 22);
    Open(ref::kKinds[0]);
    QImage img = Grab();
    const QRect shortV = probe::InkBounds(img, firstLetter);
    const QRect shortInk = probe::InkBounds(img, QRect(53, 44, 52, 22));
    Open(ref::kKinds[5]);  // CRM&Bonus: "Valor Máximo: R$ 30,00"
    img = Grab();
    const QRect longV = probe::InkBounds(img, firstLetter);
    const QRect longInk = probe::InkBounds(img, QRect(53, 44, 183, 22));
    ASSERT_TRUE(shortV.isValid() && longV.isValid());
    EXPECT_EQ(shortV, longV);
    EXPECT_LE(std::abs(shortV.left() - 57), 1);
    EXPECT_GT(longInk.right(), shortInk.right() + 80);
}

class Footer : public LayoutFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(Footer, TheFooterKeepsItsRightEdgeWhateverItsLength) {
    const char* text = GetParam();
    Open(ref::kKinds[1]);
    auto* footer = static_cast<plat::TLabel*>(Element("lblCodTela"));
    footer->SetCaption(QString::fromUtf8(text));
    const QImage img = Grab();
    const QRect ink = probe::InkBounds(img, QRect(2, 370, 234, 13));
    ASSERT_TRUE(ink.isValid());
    EXPECT_LE(ink.right(), 234);
    EXPECT_GE(ink.right(), 231);
    EXPECT_EQ(footer->geometry().right(), 234);
    // Grey text on white.
    EXPECT_GT(probe::Count(img, ink, [](const QColor& c) { return Distance(c, ref::kGrey) <= 8; }), 3);
    if (QString::fromUtf8(text).size() > 20) {
        EXPECT_LT(ink.left(), 120);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, Footer, ::testing::Values("Orv00006", "O6", "Orv00006 - Loja 12 - Caixa 3"),
                         [](const auto& row) { return CaseName(row.param); });

// The title as drawn, against the same text drawn plainly in the same font
// and box: one ampersand, no underline, centred in x 8..225.
TEST_P(PixelsByKind, TitlesAreCentredAndShowASingleAmpersand) {
    const QRect box = ref::Find("lblCabec").rect;
    const ref::KindCase& k = GetParam();
    Open(k);
    const QImage img = Grab();
    const QRect ink = probe::InkBounds(img, box);
    ASSERT_TRUE(ink.isValid());
    const int leftMargin = ink.left() - box.left();
    const int rightMargin = box.right() - ink.right();
    EXPECT_LE(std::abs(leftMargin - rightMargin), 2) << leftMargin << " vs " << rightMargin;
    // Black bold text.
    EXPECT_GT(probe::Count(img, ink, [](const QColor& c) { return c == ref::kBlack; }), 20);

    plat::FontSpec font{QStringLiteral("Arial"), 16, true, ref::kBlack};
    const auto plain = [&](const QString& text) {
        QImage expected(box.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        QPainter p(&expected);
        p.setFont(font.ToQFont());
        p.setPen(Qt::black);
        p.drawText(expected.rect(), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
        return expected;
    };
    const QImage shown = img.copy(box);
    EXPECT_EQ(shown, plain(QString::fromUtf8(k.shown)));
    if (QString::fromUtf8(k.title).contains(QLatin1String("&&"))) {
        const QRect doubled = probe::InkBounds(plain(QString::fromUtf8(k.title)), QRect(QPoint(), box.size()));
        EXPECT_GT(doubled.width(), ink.width() + 5) << "two ampersands drawn";
    }
}

TEST_F(Pixels, TheDisabledKeysShowTheDisabledColoursAndTheKeyboardGlyph) {
    Open(ref::kKinds[1]);
    const QImage img = Grab();
    const QRect ponto = ref::Find("sbtPonto").rect;
    const QRect virgula = ref::Find("sbtVirgula").rect;
    ExpectKeyFace(img, ponto, ref::kDisabled, "sbtPonto");
    ExpectKeyFace(img, virgula, ref::kDisabled, "sbtVirgula");
    // The keyboard outline is 32 x 17 pixels of white; the comma is small.
    const QRect kb = probe::InkBounds(img, ponto.adjusted(4, 4, -4, -4), ref::kDisabled);
    const QRect comma = probe::InkBounds(img, virgula.adjusted(4, 4, -4, -4), ref::kDisabled);
    EXPECT_GE(kb.height(), 16);
    EXPECT_LE(comma.width(), 8);
    EXPECT_GT(probe::Count(img, ponto, IsWhite), 3 * probe::Count(img, virgula, IsWhite));
    // Taps draw nothing new and type nothing.
    Type(QStringLiteral("click:sbtPonto click:sbtVirgula"));
    QTest::mousePress(Element("sbtPonto"), Qt::LeftButton, {}, QPoint(35, 23));
    EXPECT_EQ(Grab(), img);
    QTest::mouseRelease(Element("sbtPonto"), Qt::LeftButton, {}, QPoint(35, 23));
    EXPECT_TRUE(dialog_->Digitos().isEmpty());
    EXPECT_EQ(dialog_->lblDadoDigitado->Caption(), QStringLiteral("0,00"));
}

TEST_F(Pixels, TheAmountDisplayIsGreyBoldLeftAligned) {
    Open(ref::kKinds[1]);
    Type(QStringLiteral("2 0 0 1"));
    const QRect box = ref::Find("lblDadoDigitado").rect;
    const QImage img = Grab();
    const QRect ink = probe::InkBounds(img, box);
    ASSERT_TRUE(ink.isValid());
    EXPECT_LE(ink.left() - box.left(), 2);
    EXPECT_GT(probe::Count(img, ink, [](const QColor& c) { return c == ref::kGrey; }), 20);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PixelsByKind, ::testing::ValuesIn(ref::kKinds), KindName);

}  // namespace
