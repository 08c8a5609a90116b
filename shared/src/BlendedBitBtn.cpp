#include "dll/BlendedBitBtn.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "platform/forms.h"

TBlendedBitBtn::TBlendedBitBtn(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    font_.name = QStringLiteral("Arial");
    font_.height = 24;
    font_.color = QColor(255, 255, 255);
    qfont_ = font_.ToQFont();
}

TBlendedBitBtn::~TBlendedBitBtn() = default;

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
    qfont_ = font_.ToQFont();
    update();
}
void TBlendedBitBtn::SetFontHeight(int h) {
    font_.height = h;
    qfont_ = font_.ToQFont();
    update();
}
void TBlendedBitBtn::SetFontBold(bool b) {
    font_.bold = b;
    qfont_ = font_.ToQFont();
    update();
}
void TBlendedBitBtn::SetFontColor(const QColor& c) {
    font_.color = c;
    update();
}
void TBlendedBitBtn::SetGlyphFile(const QString& path) {
    glyphFile_ = path;
    glyphMask_ = path.isEmpty() ? QImage() : GlyphMask(QImage(path));
    update();
}
void TBlendedBitBtn::SetDisabledGlyphFile(const QString& path) {
    disabledGlyphFile_ = path;
    disabledGlyphMask_ = path.isEmpty() ? QImage() : GlyphMask(QImage(path));
    update();
}
void TBlendedBitBtn::SetRadius(int r) {
    radius_ = r;
    update();
}

void TBlendedBitBtn::paintEvent(QPaintEvent*) {
    const bool enabled = isEnabled();
    const QColor fill = !enabled ? disabled_color_ : down_ ? pressed_color_ : face_;
    const QColor ink = !enabled ? disabled_font_ : down_ ? pressed_font_ : font_.color;
    const QImage& mask = enabled ? glyphMask_ : disabledGlyphMask_;

    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect()), radius_, radius_);

    QImage tinted;
    if (!mask.isNull()) {
        tinted = mask;
        QPainter t(&tinted);
        t.setCompositionMode(QPainter::CompositionMode_SourceIn);
        t.fillRect(tinted.rect(), ink);
    }
    p.setFont(qfont_);
    const int textWidth = caption_.isEmpty() ? 0 : p.fontMetrics().horizontalAdvance(caption_);
    const int gap = (!tinted.isNull() && textWidth > 0) ? 2 : 0;
    const int total = tinted.width() + gap + textWidth;
    int x = (width() - total) / 2;
    if (!tinted.isNull()) {
        p.drawImage(QPoint(x, (height() - tinted.height()) / 2), tinted);
        x += tinted.width() + gap;
    }
    if (textWidth > 0) {
        p.setPen(ink);
        p.drawText(QRect(x, 0, textWidth, height()), Qt::AlignCenter | Qt::TextSingleLine, caption_);
    }
}

void TBlendedBitBtn::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    down_ = true;
    update();
}

void TBlendedBitBtn::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !down_) return;
    down_ = false;
    update();
    if (isEnabled() && rect().contains(e->position().toPoint()))
        plat::Application::Guarded([&] { emit OnClick(this); });
}

void TBlendedBitBtn::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange && !isEnabled()) down_ = false;
    QWidget::changeEvent(e);
}
