#include "orv00006/dll/BlendedBitBtn.h"

#include <QEvent>
#include <QInputDevice>
#include <QPainter>
#include <QPainterPath>
#include <QTouchEvent>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "BlendedBitBtnAccessible.h"
#include "orv00006/platform/forms.h"
#include "orv00006/platform/imagecache.h"

namespace dll {

namespace {

// The mask of a glyph file. Every dialog asks for the same few resource
// glyphs, so their masks are computed once per process; files on disk are
// read each time.
QImage MaskOf(const QString& path) {
    if (path.isEmpty()) return {};
    if (!plat::IsResourcePath(path)) return TBlendedBitBtn::GlyphMask(QImage(path));
    static plat::ImageCache<QString> masks(64);
    return masks.Get(path, [&] { return TBlendedBitBtn::GlyphMask(plat::LoadPicture(path)); });
}

// Paint results shared by every button of the process, kept few: a keypad
// has a handful of sizes and colours, and nothing else should pile up.
template <class Key>
using PaintCache = plat::ImageCache<Key>;

// The rounded face, antialiased, without outline.
void DrawFace(QPainter& p, const QRectF& box, const QColor& fill, int radius) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(box, radius, radius);
}

// The rounded face of one size and colour. Antialiased outlines are the
// costliest part of a button's paint and every key of a keypad has the same
// face; drawn once onto a transparent image and composited, it gives the
// same pixels as drawing it in place.
QImage FaceOf(QSize size, const QColor& fill, int radius) {
    static PaintCache<std::tuple<int, int, int, QRgb>> faces(64);
    return faces.Get({size.width(), size.height(), radius, fill.rgba()}, [&] {
        QImage face(size, QImage::Format_ARGB32_Premultiplied);
        face.fill(Qt::transparent);
        QPainter p(&face);
        DrawFace(p, QRectF(face.rect()), fill, radius);
        return face;
    });
}

// A glyph mask in the ink of a state.
QImage Tint(const QImage& mask, const QColor& ink) {
    QImage tinted = mask;
    QPainter t(&tinted);
    t.setCompositionMode(QPainter::CompositionMode_SourceIn);
    t.fillRect(tinted.rect(), ink);
    return tinted;
}

// The same, kept: the same few pairs on every paint.
QImage TintOf(const QImage& mask, const QColor& ink) {
    static PaintCache<std::pair<qint64, QRgb>> tints(64);
    return tints.Get({mask.cacheKey(), ink.rgba()}, [&] { return Tint(mask, ink); });
}

// Glyph (already in its ink) and caption, centred side by side on a face of
// the given size.
void DrawContent(QPainter& p, QSize size, const QImage& tinted, const QColor& ink, const QString& caption,
                 const QFont& font) {
    p.setFont(font);
    const int textWidth = caption.isEmpty() ? 0 : p.fontMetrics().horizontalAdvance(caption);
    const int gap = (!tinted.isNull() && textWidth > 0) ? 2 : 0;
    const int total = tinted.width() + gap + textWidth;
    int x = (size.width() - total) / 2;
    if (!tinted.isNull()) {
        p.drawImage(QPoint(x, (size.height() - tinted.height()) / 2), tinted);
        x += tinted.width() + gap;
    }
    if (textWidth > 0) {
        p.setPen(ink);
        p.drawText(QRect(x, 0, textWidth, size.height()), Qt::AlignCenter | Qt::TextSingleLine, caption);
    }
}

// The whole button (face, glyph and caption) in one image. Shaping and
// drawing the caption is most of a warm button paint, and a keypad shows the
// same few buttons every time. Drawn over an opaque face pixel, glyph and text
// blend the same on this image as on the screen, and an opaque pixel is copied
// as is when the image is composited, so the pixels match drawing in place.
// Where content would touch a translucent edge pixel they would not: the
// result is then the null image, and the caller draws in place.
QImage WholeOf(QSize size, const QColor& fill, int radius, const QImage& mask, const QColor& ink,
               const QString& caption, const plat::FontSpec& fontSpec, const QFont& font) {
    using Key = std::tuple<int, int, int, QRgb, QRgb, qint64, QString, QString, int, bool>;
    static PaintCache<Key> wholes(64);
    const Key key{
        size.width(), size.height(), radius,          fill.rgba(),  ink.rgba(), mask.isNull() ? 0 : mask.cacheKey(),
        caption,      fontSpec.name, fontSpec.height, fontSpec.bold};
    return wholes.Get(key, [&] {
        const QImage face = FaceOf(size, fill, radius);
        QImage whole = face.copy();
        {
            QPainter p(&whole);
            DrawContent(p, size, mask.isNull() ? QImage() : TintOf(mask, ink), ink, caption, font);
        }
        for (int y = 0; y < whole.height(); ++y) {
            const auto* f = reinterpret_cast<const QRgb*>(face.constScanLine(y));
            const auto* w = reinterpret_cast<const QRgb*>(whole.constScanLine(y));
            for (int x = 0; x < whole.width(); ++x)
                if (w[x] != f[x] && qAlpha(f[x]) != 255) return QImage();
        }
        return whole;
    });
}

// A glyph read from disk may change under its name: such a key is not kept.
bool ButtonFace(const QWidget* w, plat::FaceKey& key) {
    const auto* b = static_cast<const TBlendedBitBtn*>(w);
    const bool enabled = b->isEnabled();
    const QString& glyph = enabled ? b->GlyphFile() : b->DisabledGlyphFile();
    if (!glyph.isEmpty() && !plat::IsResourcePath(glyph)) return false;
    const bool down = b->isDown();
    key << (!enabled ? b->DisabledColor()
            : down   ? b->PressedColor()
                     : b->FaceColor())
        << (!enabled ? b->DisabledFontColor()
            : down   ? b->PressedFontColor()
                     : b->FontColor())
        << glyph << b->Caption() << b->FontName() << b->FontHeight() << qint64{b->FontBold()} << b->Radius();
    return true;
}

bool HasTouchScreen() {
    const QList<const QInputDevice*> devices = QInputDevice::devices();
    return std::any_of(devices.cbegin(), devices.cend(),
                       [](const QInputDevice* d) { return d->type() == QInputDevice::DeviceType::TouchScreen; });
}

}  // namespace

TBlendedBitBtn::TBlendedBitBtn(QWidget* parent) : QAbstractButton(parent) {
    plat::KeepBeside(this);
    InstallButtonAccessibleFactory();
    plat::RegisterFaceKeyOnce<TBlendedBitBtn>(&ButtonFace);
    // The dialog receives every key; no key of its keypad may take them.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    // Touch points come from a touch screen only; without one, taking touch
    // events would cost every dialog (some 5 % of a call) for nothing.
    if (HasTouchScreen()) setAttribute(Qt::WA_AcceptTouchEvents);
    connect(this, &QAbstractButton::clicked, this,
            [this] { plat::Application::Guarded([&] { Q_EMIT OnClick(this); }); });
    font_.name = QStringLiteral("Arial");
    font_.height = 24;
    font_.color = QColor(255, 255, 255);
}

TBlendedBitBtn::~TBlendedBitBtn() { plat::ForgetBeside(this); }

const QFont& TBlendedBitBtn::DrawingFont() const {
    if (fontStale_) {
        qfont_ = font_.ToQFont();
        fontStale_ = false;
    }
    return qfont_;
}

QImage TBlendedBitBtn::GlyphMask(const QImage& glyph) {
    if (glyph.isNull()) return {};
    const QImage src = glyph.convertToFormat(QImage::Format_RGB32);
    const QRgb bg = src.pixel(0, 0);
    const int bgc[3] = {qRed(bg), qGreen(bg), qBlue(bg)};
    QImage mask(src.size(), QImage::Format_ARGB32);
    for (int y = 0; y < src.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const int c[3] = {qRed(in[x]), qGreen(in[x]), qBlue(in[x])};
            // Coverage of white over the background, from the channel with
            // the most room between the two.
            int best = 0;
            int alpha = 0;
            for (int i = 0; i < 3; ++i) {
                const int room = 255 - bgc[i];
                if (room > best) {
                    best = room;
                    alpha = std::clamp((c[i] - bgc[i]) * 255 / room, 0, 255);
                }
            }
            if (best == 0) alpha = 0;
            out[x] = qRgba(255, 255, 255, alpha);
        }
    }
    return mask;
}

void TBlendedBitBtn::SetCaption(const QString& c) {
    caption_ = c;
    update();
}
void TBlendedBitBtn::SetFaceColor(const QColor& c) {
    face_ = c;
    update();
}
void TBlendedBitBtn::SetPressedColor(const QColor& c) {
    pressed_color_ = c;
    update();
}
void TBlendedBitBtn::SetPressedFontColor(const QColor& c) {
    pressed_font_ = c;
    update();
}
void TBlendedBitBtn::SetDisabledColor(const QColor& c) {
    disabled_color_ = c;
    update();
}
void TBlendedBitBtn::SetDisabledFontColor(const QColor& c) {
    disabled_font_ = c;
    update();
}
void TBlendedBitBtn::SetFontName(const QString& n) {
    font_.name = n;
    fontStale_ = true;
    update();
}
void TBlendedBitBtn::SetFontHeight(int h) {
    font_.height = h;
    fontStale_ = true;
    update();
}
void TBlendedBitBtn::SetFontBold(bool b) {
    font_.bold = b;
    fontStale_ = true;
    update();
}
void TBlendedBitBtn::SetFontColor(const QColor& c) {
    font_.color = c;
    update();
}
void TBlendedBitBtn::SetGlyphFile(const QString& path) {
    glyphFile_ = path;
    glyphMask_ = MaskOf(path);
    update();
}
void TBlendedBitBtn::SetDisabledGlyphFile(const QString& path) {
    disabledGlyphFile_ = path;
    // Read when first drawn disabled: most keys never are.
    disabledGlyphMask_ = QImage();
    update();
}
void TBlendedBitBtn::SetRadius(int r) {
    radius_ = r;
    update();
}

TBlendedBitBtn::Look TBlendedBitBtn::CurrentLook() const {
    const bool enabled = isEnabled();
    if (!enabled && disabledGlyphMask_.isNull() && !disabledGlyphFile_.isEmpty())
        const_cast<TBlendedBitBtn*>(this)->disabledGlyphMask_ = MaskOf(disabledGlyphFile_);
    const bool down = isDown();
    return {!enabled ? disabled_color_
            : down   ? PressedColor()
                     : face_,
            !enabled ? disabled_font_
            : down   ? PressedFontColor()
                     : font_.color,
            enabled ? glyphMask_ : disabledGlyphMask_};
}

void TBlendedBitBtn::PaintInPlace(QPainter& p) const {
    const Look look = CurrentLook();
    DrawFace(p, QRectF(rect()), look.fill, radius_);
    DrawContent(p, size(), look.mask.isNull() ? QImage() : Tint(look.mask, look.ink), look.ink, caption_,
                DrawingFont());
}

void TBlendedBitBtn::paintEvent(QPaintEvent*) {
    if (plat::FaceCovers(this)) return;
    const Look look = CurrentLook();

    QPainter p(this);
    // Kept images only where they land one to one on whole device pixels and
    // the face is opaque; scaled or shifted output would resample them, and a
    // translucent face would round differently, so those are drawn in place.
    const QTransform device = p.deviceTransform();
    const bool oneToOne = p.device()->devicePixelRatioF() == 1.0 && device.type() <= QTransform::TxTranslate &&
                          device.dx() == std::round(device.dx()) && device.dy() == std::round(device.dy());
    if (oneToOne && look.fill.alpha() == 255) {
        const QImage whole = WholeOf(size(), look.fill, radius_, look.mask, look.ink, caption_, font_, DrawingFont());
        if (!whole.isNull()) {
            p.drawImage(QPoint(0, 0), whole);
            return;
        }
        p.drawImage(QPoint(0, 0), FaceOf(size(), look.fill, radius_));
    } else {
        DrawFace(p, QRectF(rect()), look.fill, radius_);
    }
    DrawContent(p, size(), look.mask.isNull() ? QImage() : TintOf(look.mask, look.ink), look.ink, caption_,
                DrawingFont());
}

bool TBlendedBitBtn::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        Touch(static_cast<QTouchEvent*>(e));
        // Taken, so that no mouse press is made up from the first point.
        return true;
    default:
        return QAbstractButton::event(e);
    }
}

// The first point that lands on the key holds it; the others on the same
// key are ignored. The key is drawn pressed while that point is inside it,
// and clicks when the point lifts inside it.
void TBlendedBitBtn::Touch(QTouchEvent* e) {
    if (e->type() == QEvent::TouchCancel) {
        touchPoint_ = -1;
        setDown(false);
        return;
    }
    for (const QEventPoint& point : e->points()) {
        if (touchPoint_ < 0 && point.state() == QEventPoint::Pressed && isEnabled()) touchPoint_ = point.id();
        if (point.id() != touchPoint_) continue;
        const bool inside = rect().contains(point.position().toPoint());
        if (point.state() == QEventPoint::Released) {
            touchPoint_ = -1;
            setDown(false);
            if (inside) click();
        } else if (inside != isDown()) {
            setDown(inside);
        }
    }
}

void TBlendedBitBtn::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange && !isEnabled()) {
        touchPoint_ = -1;
        setDown(false);
    }
    QAbstractButton::changeEvent(e);
}

}  // namespace dll
