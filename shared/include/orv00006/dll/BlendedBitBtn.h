#pragma once
// The keypad button of the host family: a rounded rectangle without outline,
// with a caption and/or a glyph, its own colours for the normal, pressed and
// disabled states, a numeric tag and a click event carrying its sender.
// A QAbstractButton, so that assistive technology sees a push button with a
// press action; it never takes the keyboard focus. Each touch point is a
// press of its own: two fingers on two keys type both, in the order they
// lift, and a press that slides off shows the key unpressed at once.
#include <QAbstractButton>
#include <QColor>
#include <QImage>

#include <optional>

#include "orv00006/dll/export.h"
#include "orv00006/platform/controls.h"

class QPainter;
class QTouchEvent;

namespace dll {

class DLL_API TBlendedBitBtn : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_PROPERTY(QColor FaceColor READ FaceColor WRITE SetFaceColor)
    Q_PROPERTY(QColor PressedColor READ PressedColor WRITE SetPressedColor)
    Q_PROPERTY(QColor PressedFontColor READ PressedFontColor WRITE SetPressedFontColor)
    Q_PROPERTY(QColor DisabledColor READ DisabledColor WRITE SetDisabledColor)
    Q_PROPERTY(QColor DisabledFontColor READ DisabledFontColor WRITE SetDisabledFontColor)
    Q_PROPERTY(QString FontName READ FontName WRITE SetFontName)
    Q_PROPERTY(int FontHeight READ FontHeight WRITE SetFontHeight)
    Q_PROPERTY(bool FontBold READ FontBold WRITE SetFontBold)
    Q_PROPERTY(QColor FontColor READ FontColor WRITE SetFontColor)
    Q_PROPERTY(QString GlyphFile READ GlyphFile WRITE SetGlyphFile)
    Q_PROPERTY(QString DisabledGlyphFile READ DisabledGlyphFile WRITE SetDisabledGlyphFile)
    Q_PROPERTY(int Radius READ Radius WRITE SetRadius)
    Q_PROPERTY(QString SpokenName READ SpokenName WRITE SetSpokenName)
public:
    explicit TBlendedBitBtn(QWidget* parent = nullptr);
    ~TBlendedBitBtn() override;

    // Kept apart from QAbstractButton::text(), whose every change makes Qt
    // build accessibility objects even with no screen reader running;
    // assistive technology reads the caption, or the spoken name.
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& c);
    QString SpokenName() const { return plat::SpokenName(this); }
    void SetSpokenName(const QString& name) { plat::SetSpokenName(this, name); }
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }
    QColor FaceColor() const { return face_; }
    void SetFaceColor(const QColor& c);
    // Unless set, the system's: the palette's window-text colour for the
    // fill and its window (base) colour for the caption.
    QColor PressedColor() const {
        return pressed_color_.value_or(palette().color(QPalette::Active, QPalette::WindowText));
    }
    void SetPressedColor(const QColor& c);
    QColor PressedFontColor() const {
        return pressed_font_.value_or(palette().color(QPalette::Active, QPalette::Base));
    }
    void SetPressedFontColor(const QColor& c);
    QColor DisabledColor() const { return disabled_color_; }
    void SetDisabledColor(const QColor& c);
    QColor DisabledFontColor() const { return disabled_font_; }
    void SetDisabledFontColor(const QColor& c);
    QString FontName() const { return font_.name; }
    void SetFontName(const QString& n);
    int FontHeight() const { return font_.height; }
    void SetFontHeight(int h);
    bool FontBold() const { return font_.bold; }
    void SetFontBold(bool b);
    QColor FontColor() const { return font_.color; }
    void SetFontColor(const QColor& c);
    QString GlyphFile() const { return glyphFile_; }
    void SetGlyphFile(const QString& path);
    QString DisabledGlyphFile() const { return disabledGlyphFile_; }
    void SetDisabledGlyphFile(const QString& path);
    int Radius() const { return radius_; }
    void SetRadius(int r);
    // Standard setter names, for layout loaders (see platform/controls.h).
    PLAT_STD_SETTER(Caption, const QString&)
    PLAT_STD_SETTER(Tag, int)
    PLAT_STD_SETTER(FaceColor, const QColor&)
    PLAT_STD_SETTER(PressedColor, const QColor&)
    PLAT_STD_SETTER(PressedFontColor, const QColor&)
    PLAT_STD_SETTER(DisabledColor, const QColor&)
    PLAT_STD_SETTER(DisabledFontColor, const QColor&)
    PLAT_STD_SETTER(FontName, const QString&)
    PLAT_STD_SETTER(FontHeight, int)
    PLAT_STD_SETTER(FontBold, bool)
    PLAT_STD_SETTER(FontColor, const QColor&)
    PLAT_STD_SETTER(GlyphFile, const QString&)
    PLAT_STD_SETTER(DisabledGlyphFile, const QString&)
    PLAT_STD_SETTER(Radius, int)
    PLAT_STD_SETTER(SpokenName, const QString&)

    bool Down() const { return isDown(); }

    // A glyph's motif as coverage: white drawn over the glyph's own
    // background (its top-left pixel) is turned back into opacity, so the
    // motif sits cleanly on any face colour.
    static QImage GlyphMask(const QImage& glyph);

    // The button in its current state drawn straight onto `p` at the
    // painter's origin, nothing kept or reused: the pixels that the images
    // a paint event keeps between dialogs must reproduce exactly.
    void PaintInPlace(QPainter& p) const;

Q_SIGNALS:
    void OnClick(QObject* Sender);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* e) override;

private:
    // Face colour, ink and glyph of the current state.
    struct Look {
        QColor fill;
        QColor ink;
        QImage mask;
    };
    Look CurrentLook() const;
    const QFont& DrawingFont() const;
    void Touch(QTouchEvent* e);

    QString caption_;
    int tag_ = 0;
    QColor face_{128, 128, 128};
    std::optional<QColor> pressed_color_;
    std::optional<QColor> pressed_font_;
    QColor disabled_color_{204, 204, 204};
    QColor disabled_font_{255, 255, 255};
    plat::FontSpec font_;
    // Made when first needed: a layout sets a font one attribute at a time.
    mutable QFont qfont_;
    mutable bool fontStale_ = true;
    QString glyphFile_;
    QString disabledGlyphFile_;
    QImage glyphMask_;
    QImage disabledGlyphMask_;
    int radius_ = 8;
    int touchPoint_ = -1;  // the id of the touch point holding the key down
};

}  // namespace dll
