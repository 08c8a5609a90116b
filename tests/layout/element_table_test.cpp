// The loaded layout against the designed element table: kind, geometry,
// visibility, enabled state, Tag, text style, alignment, auto-size,
// accessible name, pictures, glyphs and drawing order.
#include <QAccessible>
#include <QFontInfo>
#include <QFontMetrics>

#include "LayoutProbe.h"
#include "orv00006/dll/BlendedBitBtn.h"
#include "orv00006/platform/controls.h"

namespace {

using ref::Kind;

const char* ClassOf(Kind k) {
    switch (k) {
    case Kind::Image:
        return "plat::TImage";
    case Kind::Label:
        return "plat::TLabel";
    case Kind::Bevel:
        return "plat::TBevel";
    case Kind::Button:
        return "dll::TBlendedBitBtn";
    case Kind::Shape:
        return "plat::TShape";
    }
    return "";
}

class ElementTable : public LayoutFixture {};

TEST_F(ElementTable, TheWindowIsABorderless238By385ModalDialogTitledDesconto) {
    auto* d = Open(ref::kKinds[0]);
    EXPECT_EQ(d->size(), QSize(ref::kWidth, ref::kHeight));
    EXPECT_EQ(d->minimumSize(), QSize(ref::kWidth, ref::kHeight));
    EXPECT_EQ(d->maximumSize(), QSize(ref::kWidth, ref::kHeight));
    EXPECT_TRUE(d->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(d->isModal());
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Desconto"));
    EXPECT_EQ(d->objectName(), QStringLiteral("frmDesc"));
    // Its own background is the system's button face (Shape1 covers it;
    // the fixture repaints it magenta to catch leaks, so ask a fresh one).
    const Cli_orv00006::TfrmDesc fresh;
    EXPECT_EQ(fresh.palette().color(QPalette::Window), QColor(240, 240, 240));
    // No element takes the keyboard focus: the dialog gets every key.
    for (QWidget* w : d->findChildren<QWidget*>())
        EXPECT_EQ(w->focusPolicy(), Qt::NoFocus) << w->objectName().toStdString();
}

class DesignedElement : public LayoutFixture, public ::testing::WithParamInterface<ref::Element> {};

TEST_P(DesignedElement, EveryElementAsDesigned) {
    const ref::Element& e = GetParam();
    auto* d = Open(ref::kKinds[0]);
    QWidget* w = Element(e.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget(), d);
    EXPECT_STREQ(w->metaObject()->className(), ClassOf(e.kind));
    EXPECT_EQ(!w->isHidden(), e.visible);
    EXPECT_EQ(w->isEnabled(), e.enabled);
    if (e.accessible) {
        // As assistive technology reads it.
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(e.accessible));
    }

    if (e.kind == Kind::Label) {
        auto* l = static_cast<plat::TLabel*>(w);
        EXPECT_EQ(l->Caption(), QString::fromUtf8(e.caption));
        EXPECT_EQ(l->Alignment(), e.align);
        EXPECT_EQ(l->AutoSize(), e.autoSize);
        EXPECT_EQ(l->FontName(), QString::fromLatin1(e.face));
        EXPECT_EQ(l->FontHeight(), e.pixels);
        EXPECT_EQ(l->FontBold(), e.bold);
        EXPECT_EQ(l->FontColor(), e.ink);
        const QRect g = l->geometry();
        if (!e.autoSize) {
            EXPECT_EQ(g, e.rect);
        } else {
            // Sized to its text by this machine's font: the anchored edge
            // and the top are the design's, the size follows the text.
            plat::FontSpec font{l->FontName(), l->FontHeight(), l->FontBold(), l->FontColor()};
            const QFontMetrics fm(font.ToQFont());
            EXPECT_EQ(g.width(), fm.horizontalAdvance(plat::TLabel::DisplayText(l->Caption())));
            EXPECT_EQ(g.height(), fm.height());
            EXPECT_EQ(g.top(), e.rect.top());
            if (e.align == ref::Right)
                EXPECT_EQ(g.x() + g.width(), e.rect.x() + e.rect.width());
            else
                EXPECT_EQ(g.x(), e.rect.x());
            EXPECT_NEAR(g.width(), e.rect.width(), 3);
            EXPECT_NEAR(g.height(), e.rect.height(), 2);
        }
    } else {
        EXPECT_EQ(w->geometry(), e.rect);
    }

    if (e.kind == Kind::Button) {
        auto* b = static_cast<dll::TBlendedBitBtn*>(w);
        EXPECT_EQ(b->Tag(), e.tag);
        EXPECT_EQ(b->property("Tag").toInt(), e.tag);  // what the click handler reads
        EXPECT_EQ(b->Caption(), QString::fromUtf8(e.caption));
        EXPECT_EQ(b->FaceColor(), e.fill);
        EXPECT_EQ(b->PressedColor(), plat::SystemColors::clWindowText);
        EXPECT_EQ(b->PressedFontColor(), plat::SystemColors::clWindow);
        EXPECT_EQ(b->DisabledColor(), ref::kDisabled);
        EXPECT_EQ(b->DisabledFontColor(), ref::kWhite);
        if (e.face) {
            EXPECT_EQ(b->FontName(), QString::fromLatin1(e.face));
            EXPECT_EQ(b->FontHeight(), e.pixels);
            EXPECT_EQ(b->FontBold(), e.bold);
            EXPECT_EQ(b->FontColor(), e.ink);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, DesignedElement, ::testing::ValuesIn(ref::kElements), ElementName);

// The elements that draw text.
std::vector<ref::Element> TextElements() {
    std::vector<ref::Element> out;
    for (const ref::Element& e : ref::kElements)
        if (e.face) out.push_back(e);
    return out;
}

class TextElement : public LayoutFixture, public ::testing::WithParamInterface<ref::Element> {};

TEST_P(TextElement, ArialResolvesToAMetricCompatibleFace) {
    const ref::Element& e = GetParam();
    Open(ref::kKinds[0]);
    const QWidget* w = Element(e.name);
    plat::FontSpec font;
    font.name = w->property("FontName").toString();
    font.height = w->property("FontHeight").toInt();
    font.bold = w->property("FontBold").toBool();
    const QFont f = font.ToQFont();
    const QFontInfo info(f);
    EXPECT_EQ(info.family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(info.pixelSize(), e.pixels);
    EXPECT_EQ(info.bold(), e.bold);
}

INSTANTIATE_TEST_SUITE_P(Table, TextElement, ::testing::ValuesIn(TextElements()), ElementName);

class DesignedKey : public LayoutFixture, public ::testing::WithParamInterface<ref::Element> {};

TEST_P(DesignedKey, GlyphsWhereTheDesignPutsThem) {
    const ref::Element& e = GetParam();
    Open(ref::kKinds[0]);
    struct GlyphCase {
        const char* button;
        const char* glyph;
        const char* disabledGlyph;
    };
    const GlyphCase glyphs[] = {
        {"sbtCorrigir", "backspace.bmp", "backspace_disabled.bmp"},
        {"sbtEnter", "confirm.bmp", "confirm_disabled.bmp"},
        {"sbtCancelar", "cancel.bmp", "cancel_disabled.bmp"},
        {"sbtPonto", "", "keyboard_disabled.bmp"},
    };
    auto* b = static_cast<dll::TBlendedBitBtn*>(Element(e.name));
    QString glyph, disabledGlyph;
    for (const auto& g : glyphs)
        if (QLatin1String(g.button) == QLatin1String(e.name)) {
            glyph = QString::fromLatin1(g.glyph);
            disabledGlyph = QString::fromLatin1(g.disabledGlyph);
        }
    EXPECT_EQ(b->GlyphFile().section(QLatin1Char('/'), -1), glyph);
    EXPECT_EQ(b->DisabledGlyphFile().section(QLatin1Char('/'), -1), disabledGlyph);
    if (!glyph.isEmpty()) {
        EXPECT_FALSE(QImage(b->GlyphFile()).isNull());
    }
    if (!disabledGlyph.isEmpty()) {
        EXPECT_FALSE(QImage(b->DisabledGlyphFile()).isNull());
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, DesignedKey, ::testing::ValuesIn(ref::Buttons().begin(), ref::Buttons().end()),
                         ElementName);

struct PictureCase {
    const char* image;
    bool check;  // holds the check picture; else nothing
};

void PrintTo(const PictureCase& p, std::ostream* os) { *os << p.image; }

class DesignedPicture : public LayoutFixture, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(DesignedPicture, PicturesWhereTheDesignPutsThem) {
    const PictureCase& p = GetParam();
    Open(ref::kKinds[0]);
    const QImage check(QStringLiteral(":/orv00006/artwork/check.bmp"));
    ASSERT_EQ(check.size(), QSize(43, 29));
    auto* img = static_cast<plat::TImage*>(Element(p.image));
    EXPECT_TRUE(img->Stretch());
    EXPECT_TRUE(img->Transparent());
    if (p.check)
        EXPECT_EQ(img->Picture().convertToFormat(QImage::Format_RGB32), check.convertToFormat(QImage::Format_RGB32));
    else
        EXPECT_TRUE(img->Picture().isNull());
}

INSTANTIATE_TEST_SUITE_P(Pictures, DesignedPicture,
                         ::testing::Values(PictureCase{"imgValor", true}, PictureCase{"imgRef", true},
                                           PictureCase{"imgPercentual", false}, PictureCase{"imgClear", false}),
                         [](const auto& row) { return std::string(row.param.image); });

TEST_F(ElementTable, TheOutlineAsDesigned) {
    Open(ref::kKinds[0]);
    auto* shape = static_cast<plat::TShape*>(Element("Shape1"));
    EXPECT_EQ(shape->PenColor(), ref::kOutline);
    EXPECT_EQ(shape->PenWidth(), 2);
    EXPECT_EQ(shape->BrushColor(), ref::kWhite);
    EXPECT_TRUE(shape->AlignClient());
}

TEST_F(ElementTable, ElementsAreDrawnInTheDesignedOrder) {
    auto* d = Open(ref::kKinds[0]);
    QStringList order;
    for (QObject* o : d->children())
        if (o->isWidgetType()) order << o->objectName();
    QStringList expected;
    for (const char* n : ref::kStacking) expected << QString::fromLatin1(n);
    EXPECT_EQ(order, expected);
    // What lies on top answers at a point both cover.
    EXPECT_EQ(d->childAt(ref::Find("imgValor").rect.center()), Element("imgValor"));
    EXPECT_EQ(d->childAt(ref::Find("imgPercentual").rect.center()), Element("imgPercentual"));
    EXPECT_EQ(d->childAt(QPoint(1, 1)), Element("Shape1"));
}

class KindSetUp : public KindFixture {};

TEST_P(KindSetUp, SetUpChangesOnlyTextsAndTheOptionRow) {
    // Every kind leaves geometry, colours, fonts and enabled state as loaded;
    // only the texts and the option row's visibility differ.
    const ref::KindCase& k = GetParam();
    auto* d = Open(k);
    EXPECT_EQ(static_cast<plat::TLabel*>(Element("lblCabec"))->Caption(), QString::fromUtf8(k.title));
    EXPECT_EQ(d->size(), QSize(ref::kWidth, ref::kHeight));
    for (const ref::Element& e : ref::kElements) {
        SCOPED_TRACE(e.name);
        QWidget* w = Element(e.name);
        if (e.kind != Kind::Label || !e.autoSize) {
            EXPECT_EQ(w->geometry(), e.rect);
        }
        EXPECT_EQ(w->isEnabled(), e.enabled);
        if (e.kind == Kind::Button) {
            EXPECT_EQ(static_cast<dll::TBlendedBitBtn*>(w)->FaceColor(), e.fill);
        }
    }
    const bool valueBox = !Element("imgValor")->isHidden();
    EXPECT_EQ(valueBox, k.valueBox);
    EXPECT_EQ(!Element("bvlValor")->isHidden(), k.valueBox);
    EXPECT_FALSE(Element("lblValor")->isHidden());
    for (const char* n : {"imgPercentual", "bvlPercentual", "lblPrecentual"})
        EXPECT_EQ(!Element(n)->isHidden(), k.percentBox) << n;
    EXPECT_TRUE(Element("imgRef")->isHidden());
    EXPECT_TRUE(Element("imgClear")->isHidden());
    // Auto-size labels keep their anchored edge after set-up.
    EXPECT_EQ(Element("lblValor")->x(), 57);
    EXPECT_EQ(Element("lblCodTela")->geometry().right(), 234);
}

INSTANTIATE_TEST_SUITE_P(Kinds, KindSetUp, ::testing::ValuesIn(ref::kKinds), KindName);

}  // namespace
