#pragma once
// Graphic controls of the host platform as thin Qt widgets: labels, pictures,
// frames and outline shapes. None takes the keyboard focus; the form
// receives every key stroke.
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QVarLengthArray>
#include <QWidget>

#include <typeinfo>

#include "orv00006/platform/export.h"

namespace plat {

// System colours as this platform paints them.
namespace SystemColors {
inline const QColor clBtnFace{240, 240, 240};
inline const QColor clBtnShadow{160, 160, 160};
inline const QColor clBtnHighlight{255, 255, 255};
inline const QColor clWindow{255, 255, 255};
inline const QColor clWindowText{0, 0, 0};
}  // namespace SystemColors

enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

// The name assistive technology reads for a control or a form, when its own
// text does not say what it is (a glyph key, an option picture, a form
// named after its title). Kept apart from QWidget::accessibleName, whose
// every change makes Qt build accessibility objects even with no screen
// reader running.
PLATFORM_API void SetSpokenName(QWidget* w, const QString& name);
PLATFORM_API QString SpokenName(const QWidget* w);
// For a control class outside the toolkit: its constructor calls KeepBeside
// and its destructor ForgetBeside, and its spoken name is then kept beside
// it instead of as a dynamic property, which is slow to set.
PLATFORM_API void KeepBeside(QWidget* w);
PLATFORM_API void ForgetBeside(QWidget* w);

// The face a form keeps. A form shown again exactly as an earlier one was
// shown draws its whole face in one copy, and its controls skip their own
// paint. Only controls whose class has said how its pixels follow from its
// state take part; a form with any other control is painted as usual.
//
// A key function appends everything the control's paint depends on (its
// geometry and visibility are the form's to add) and returns false when the
// pixels cannot be keyed (a picture read from disk, say).
class FaceKey {
public:
    // Room for a keypad's worth of state without touching the heap.
    using Bytes = QVarLengthArray<char, 4096>;
    explicit FaceKey(Bytes& bytes) : bytes_(bytes) {}
    FaceKey& operator<<(qint64 v) {
        bytes_.append(reinterpret_cast<const char*>(&v), sizeof v);
        return *this;
    }
    FaceKey& operator<<(const QColor& c) { return *this << qint64{c.rgba()}; }
    FaceKey& operator<<(const QString& s) {
        *this << qint64{s.size()};
        bytes_.append(reinterpret_cast<const char*>(s.constData()), s.size() * qsizetype{sizeof(QChar)});
        return *this;
    }

private:
    Bytes& bytes_;
};
using FaceKeyFn = bool (*)(const QWidget* control, FaceKey& key);
// For controls of exactly this class (not its subclasses); once per class.
// A form takes part when its own class is registered too: it then paints
// nothing over its background but through its controls.
PLATFORM_API void RegisterFaceKey(const std::type_info& type, FaceKeyFn key);
// The same, from T's constructor: registers on the first T made.
template <class T>
void RegisterFaceKeyOnce(FaceKeyFn key) {
    static const bool registered = (RegisterFaceKey(typeid(T), key), true);
    static_cast<void>(registered);
}
// The key function of a class whose pixels follow from its geometry alone.
inline bool NoFaceState(const QWidget*, FaceKey&) { return true; }
// True when the control's form has just drawn it from the kept face: its
// paint event then paints nothing. Asks once: the next paint is its own.
PLATFORM_API bool FaceCovers(const QWidget* control);

// Has a screen reader say `text` now, wherever its focus is: what changed on
// the display, an outcome. Nothing at all while no screen reader is active.
PLATFORM_API void Announce(const QString& text);

// Font settings shared by the text-drawing controls. Height is the pixel
// height of the characters without internal leading (the em height).
class PLATFORM_API FontSpec {
public:
    QString name = QStringLiteral("Tahoma");
    int height = 11;
    bool bold = false;
    QColor color = SystemColors::clWindowText;
    QFont ToQFont() const;
};

// Layout loaders call a property's setter by the standard name (setFoo for
// Foo) instead of writing it through the meta-object system, which costs
// several times more per write. These forward to the setters of the
// platform's own naming.
#define PLAT_STD_SETTER(Name, Type) \
    void set##Name(Type value) { Set##Name(value); }

// One line of text on a transparent background. "&&" shows one ampersand,
// a single "&" underlines the next character; Caption() gives the text as
// written. An auto-size label fits its box to the text, keeping its left
// edge (left-aligned or centred) or its right edge (right-aligned).
class PLATFORM_API TLabel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(int Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(QString FontName READ FontName WRITE SetFontName)
    Q_PROPERTY(int FontHeight READ FontHeight WRITE SetFontHeight)
    Q_PROPERTY(bool FontBold READ FontBold WRITE SetFontBold)
    Q_PROPERTY(QColor FontColor READ FontColor WRITE SetFontColor)
public:
    explicit TLabel(QWidget* parent = nullptr);
    ~TLabel() override;

    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    int Alignment() const { return alignment_; }
    void SetAlignment(int alignment);
    QString FontName() const { return font_.name; }
    void SetFontName(const QString& name);
    int FontHeight() const { return font_.height; }
    void SetFontHeight(int height);
    bool FontBold() const { return font_.bold; }
    void SetFontBold(bool bold);
    QColor FontColor() const { return font_.color; }
    void SetFontColor(const QColor& color);
    PLAT_STD_SETTER(Caption, const QString&)
    PLAT_STD_SETTER(AutoSize, bool)
    PLAT_STD_SETTER(Alignment, int)
    PLAT_STD_SETTER(FontName, const QString&)
    PLAT_STD_SETTER(FontHeight, int)
    PLAT_STD_SETTER(FontBold, bool)
    PLAT_STD_SETTER(FontColor, const QColor&)

    // The text as the operator sees it ("&&" as "&", mnemonic marks gone).
    static QString DisplayText(const QString& caption);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void FontChanged();
    void AdjustBounds();
    const QFont& DrawingFont() const;

    QString caption_;
    bool autoSize_ = false;
    int alignment_ = taLeftJustify;
    FontSpec font_;
    // Made when first needed: a layout sets a font one attribute at a time.
    mutable QFont qfont_;
    mutable bool fontStale_ = true;
};

// A picture stretched to the control without keeping its aspect ratio and
// drawn transparent: pixels of the key colour (the picture's lower-left
// pixel) are left out. The key is masked before stretching, and stretching
// does not smooth, so no key colour bleeds into the motif's edges.
class PLATFORM_API TImage : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString PictureFile READ PictureFile WRITE SetPictureFile)
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool Checkable READ Checkable WRITE SetCheckable)
    Q_PROPERTY(QString SpokenName READ GetSpokenName WRITE SetSpokenName)
public:
    explicit TImage(QWidget* parent = nullptr);
    ~TImage() override;

    const QImage& Picture() const { return picture_; }
    void SetPicture(const QImage& picture);  // a null image is the empty picture
    QString PictureFile() const { return pictureFile_; }
    void SetPictureFile(const QString& path);  // loads a picture (resource path)
    bool Stretch() const { return stretch_; }
    void SetStretch(bool on);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    PLAT_STD_SETTER(PictureFile, const QString&)
    PLAT_STD_SETTER(Stretch, bool)
    PLAT_STD_SETTER(Transparent, bool)
    PLAT_STD_SETTER(Checkable, bool)
    QString GetSpokenName() const { return plat::SpokenName(this); }
    void SetSpokenName(const QString& name) { plat::SetSpokenName(this, name); }
    PLAT_STD_SETTER(SpokenName, const QString&)

    // A picture that stands for an option: assistive technology sees a radio
    // button (named by accessibleName), checked while Checked() holds, whose
    // action is a click. Nothing of its look depends on it.
    // Kept beside the object, so that the class keeps the layout that hosts
    // built against earlier releases know.
    bool Checkable() const;
    void SetCheckable(bool on);
    bool Checked() const;
    void SetChecked(bool on);

Q_SIGNALS:
    void OnClick(QObject* Sender);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void Invalidate();

    QImage picture_;
    QString pictureFile_;
    bool stretch_ = false;
    bool transparent_ = false;
    bool pressed_ = false;
    QImage masked_;  // picture with the key colour made transparent
    QImage cache_;   // masked picture at the device size last painted
};

// A frame line around its box: the lowered etched style draws a shadow
// rectangle with a highlight rectangle one pixel inside-out of it.
class PLATFORM_API TBevel : public QWidget {
    Q_OBJECT
public:
    explicit TBevel(QWidget* parent = nullptr);
    ~TBevel() override;

protected:
    void paintEvent(QPaintEvent*) override;
};

// A rectangle with a solid fill and a pen band along its four edges;
// aligned to its parent's client area it follows the parent's size.
class PLATFORM_API TShape : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor PenColor READ PenColor WRITE SetPenColor)
    Q_PROPERTY(int PenWidth READ PenWidth WRITE SetPenWidth)
    Q_PROPERTY(QColor BrushColor READ BrushColor WRITE SetBrushColor)
    Q_PROPERTY(bool AlignClient READ AlignClient WRITE SetAlignClient)
public:
    explicit TShape(QWidget* parent = nullptr);
    ~TShape() override;

    QColor PenColor() const { return pen_; }
    void SetPenColor(const QColor& c);
    int PenWidth() const { return penWidth_; }
    void SetPenWidth(int w);
    QColor BrushColor() const { return brush_; }
    void SetBrushColor(const QColor& c);
    bool AlignClient() const { return alignClient_; }
    void SetAlignClient(bool on);
    PLAT_STD_SETTER(PenColor, const QColor&)
    PLAT_STD_SETTER(PenWidth, int)
    PLAT_STD_SETTER(BrushColor, const QColor&)
    PLAT_STD_SETTER(AlignClient, bool)

protected:
    void paintEvent(QPaintEvent*) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QColor pen_{0, 0, 0};
    int penWidth_ = 1;
    QColor brush_{255, 255, 255};
    bool alignClient_ = false;
};

}  // namespace plat
