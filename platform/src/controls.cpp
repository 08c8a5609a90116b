#include "platform/controls.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMouseEvent>
#include <QMutex>
#include <QPainter>

#include "platform/forms.h"

namespace plat {

namespace {
// Metric-compatible stand-ins for the faces layouts name, for machines whose
// font configuration does not alias them already.
QString MetricCompatible(const QString& face) {
    if (face.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0) return QStringLiteral("Liberation Sans");
    if (face.compare(QLatin1String("Times New Roman"), Qt::CaseInsensitive) == 0) return QStringLiteral("Liberation Serif");
    if (face.compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0) return QStringLiteral("Liberation Mono");
    return {};
}
}  // namespace

QFont FontSpec::ToQFont() const {
    QFont f(name);
    if (const QString alt = MetricCompatible(name); !alt.isEmpty()) f.setFamilies({name, alt});
    f.setPixelSize(height);
    f.setBold(bold);
    // Text is drawn as the layouts were designed: hinted advances and no
    // kerning, so widths match the design and a mnemonic mark (which splits
    // the text in runs) does not move the letters after it.
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// ---------------------------------------------------------------- TLabel

TLabel::TLabel(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    qfont_ = font_.ToQFont();
}

TLabel::~TLabel() = default;

QString TLabel::DisplayText(const QString& caption) {
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

void TLabel::SetCaption(const QString& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    AdjustBounds();
    update();
}

void TLabel::SetAutoSize(bool on) {
    autoSize_ = on;
    AdjustBounds();
}

void TLabel::SetAlignment(int alignment) {
    alignment_ = alignment;
    update();
}

void TLabel::SetFontName(const QString& name) {
    font_.name = name;
    FontChanged();
}

void TLabel::SetFontHeight(int height) {
    font_.height = height;
    FontChanged();
}

void TLabel::SetFontBold(bool bold) {
    font_.bold = bold;
    FontChanged();
}

void TLabel::SetFontColor(const QColor& color) {
    font_.color = color;
    update();
}

void TLabel::FontChanged() {
    qfont_ = font_.ToQFont();
    AdjustBounds();
    update();
}

void TLabel::AdjustBounds() {
    if (!autoSize_) return;
    const QFontMetrics fm(qfont_);
    const int w = fm.horizontalAdvance(DisplayText(caption_));
    const int h = fm.height();
    QRect g = geometry();
    if (alignment_ == taRightJustify) {
        const int right = g.x() + g.width();
        g.setRect(right - w, g.y(), w, h);
    } else {
        g.setRect(g.x(), g.y(), w, h);
    }
    setGeometry(g);
}

void TLabel::paintEvent(QPaintEvent*) {
    if (caption_.isEmpty()) return;
    QPainter p(this);
    p.setFont(qfont_);
    p.setPen(font_.color);
    int flags = Qt::TextShowMnemonic | Qt::TextSingleLine | Qt::AlignTop;
    switch (alignment_) {
    case taRightJustify: flags |= Qt::AlignRight; break;
    case taCenter: flags |= Qt::AlignHCenter; break;
    default: flags |= Qt::AlignLeft; break;
    }
    p.drawText(rect(), flags, caption_);
}

// ---------------------------------------------------------------- TImage

namespace {
// A resource picture read by the built-in reader its suffix names. Letting
// the reader probe the content instead loads every image plugin, and the
// libraries they need, into the host process.
QImage ReadResource(const QString& path) {
    QImageReader reader(path, QFileInfo(path).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    return image.isNull() ? QImage(path) : image;
}

// A picture file. Resource pictures never change and every dialog loads the
// same few, so they are decoded once per process; files on disk each time.
QImage PictureOf(const QString& path) {
    if (path.isEmpty()) return {};
    if (!path.startsWith(QLatin1Char(':')) && !path.startsWith(QLatin1String("qrc:"))) return QImage(path);
    static QMutex mutex;
    static QHash<QString, QImage> pictures;
    QMutexLocker lock(&mutex);
    auto it = pictures.constFind(path);
    if (it == pictures.constEnd()) it = pictures.insert(path, ReadResource(path));
    return *it;
}
}  // namespace

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
}

TImage::~TImage() = default;

void TImage::SetPicture(const QImage& picture) {
    picture_ = picture;
    Invalidate();
}

void TImage::SetPictureFile(const QString& path) {
    pictureFile_ = path;
    SetPicture(PictureOf(path));
}

void TImage::SetStretch(bool on) {
    stretch_ = on;
    Invalidate();
}

void TImage::SetTransparent(bool on) {
    transparent_ = on;
    Invalidate();
}

void TImage::Invalidate() {
    masked_ = QImage();
    cache_ = QPixmap();
    if (!picture_.isNull()) {
        masked_ = picture_.convertToFormat(QImage::Format_ARGB32);
        if (transparent_) {
            const QRgb key = masked_.pixel(0, masked_.height() - 1) & 0x00FFFFFFu;
            for (int y = 0; y < masked_.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(masked_.scanLine(y));
                for (int x = 0; x < masked_.width(); ++x)
                    if ((line[x] & 0x00FFFFFFu) == key) line[x] = 0;
            }
        }
    }
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    if (masked_.isNull()) return;
    const QRect target = stretch_ ? rect() : QRect(QPoint(0, 0), masked_.size());
    const qreal dpr = devicePixelRatioF();
    const QSize device = (QSizeF(target.size()) * dpr).toSize();
    if (cache_.isNull() || cache_.size() != device) {
        // Nearest-neighbour stretch of the already masked picture: no
        // interpolation can blend the key colour into the motif.
        cache_ = QPixmap::fromImage(masked_.scaled(device, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        cache_.setDevicePixelRatio(dpr);
    }
    QPainter p(this);
    p.drawPixmap(target.topLeft(), cache_);
}

void TImage::mousePressEvent(QMouseEvent* e) {
    pressed_ = e->button() == Qt::LeftButton;
}

void TImage::mouseReleaseEvent(QMouseEvent* e) {
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    if (click) Application::Guarded([&] { emit OnClick(this); });
}

// ---------------------------------------------------------------- TBevel

TBevel::TBevel(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
}

TBevel::~TBevel() = default;

void TBevel::paintEvent(QPaintEvent*) {
    // Lowered etched frame: a highlight rectangle offset by one pixel, then
    // the shadow rectangle over it.
    const int w = width();
    const int h = height();
    if (w < 3 || h < 3) return;
    QPainter p(this);
    const auto outline = [&p](int left, int top, int right, int bottom, const QColor& c) {
        p.fillRect(QRect(QPoint(left, top), QPoint(right, top)), c);
        p.fillRect(QRect(QPoint(left, bottom), QPoint(right, bottom)), c);
        p.fillRect(QRect(QPoint(left, top), QPoint(left, bottom)), c);
        p.fillRect(QRect(QPoint(right, top), QPoint(right, bottom)), c);
    };
    outline(1, 1, w - 1, h - 1, SystemColors::clBtnHighlight);
    outline(0, 0, w - 2, h - 2, SystemColors::clBtnShadow);
}

// ---------------------------------------------------------------- TShape

TShape::TShape(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

TShape::~TShape() = default;

void TShape::SetPenColor(const QColor& c) {
    pen_ = c;
    update();
}

void TShape::SetPenWidth(int w) {
    penWidth_ = w;
    update();
}

void TShape::SetBrushColor(const QColor& c) {
    brush_ = c;
    update();
}

void TShape::SetAlignClient(bool on) {
    alignClient_ = on;
    if (QWidget* parent = parentWidget()) {
        if (on) {
            parent->installEventFilter(this);
            setGeometry(parent->rect());
        } else {
            parent->removeEventFilter(this);
        }
    }
}

bool TShape::eventFilter(QObject* watched, QEvent* e) {
    if (alignClient_ && watched == parentWidget() && e->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, e);
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), brush_);
    const int b = std::min({penWidth_, width() / 2, height() / 2});
    if (b <= 0) return;
    p.fillRect(QRect(0, 0, width(), b), pen_);
    p.fillRect(QRect(0, height() - b, width(), b), pen_);
    p.fillRect(QRect(0, 0, b, height()), pen_);
    p.fillRect(QRect(width() - b, 0, b, height()), pen_);
}

}  // namespace plat
