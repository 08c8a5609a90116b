#include "orv00006/platform/controls.h"

#include <QAccessible>
#include <QEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QImageReader>
#include <QMouseEvent>
#include <QMutex>
#include <QPainter>

#include <map>
#include <tuple>
#include <utility>

#include "orv00006/platform/forms.h"
#include "orv00006/platform/imagecache.h"

namespace plat {

namespace {
// Metric-compatible stand-ins for the faces layouts name, for machines whose
// font configuration does not alias them already.
QString MetricCompatible(const QString& face) {
    if (face.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0) return QStringLiteral("Liberation Sans");
    if (face.compare(QLatin1String("Times New Roman"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Serif");
    if (face.compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0) return QStringLiteral("Liberation Mono");
    return {};
}

// Whether a face is installed; asked once per face and process (the answer
// lists every family).
bool Installed(const QString& face) {
    static QMutex mutex;
    static QHash<QString, bool> known;
    QMutexLocker lock(&mutex);
    if (const auto it = known.constFind(face); it != known.constEnd()) return *it;
    return *known.insert(face, QFontDatabase::hasFamily(face));
}
}  // namespace

QFont FontSpec::ToQFont() const {
    QFont f(name);
    if (const QString alt = MetricCompatible(name); !alt.isEmpty()) {
        // Where only the stand-in is installed it is asked for alone: the
        // same face, without first searching for one that is not there and
        // its fallbacks.
        if (!Installed(name) && Installed(alt))
            f.setFamilies({alt});
        else
            f.setFamilies({name, alt});
    }
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

namespace {
bool LabelFace(const QWidget* w, FaceKey& key) {
    const auto* l = static_cast<const TLabel*>(w);
    key << l->Caption() << l->Alignment() << l->FontName() << l->FontHeight() << qint64{l->FontBold()}
        << l->FontColor();
    return true;
}
}  // namespace

TLabel::TLabel(QWidget* parent) : QWidget(parent) {
    RegisterFaceKeyOnce<TLabel>(&LabelFace);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
}

TLabel::~TLabel() = default;

const QFont& TLabel::DrawingFont() const {
    if (fontStale_) {
        qfont_ = font_.ToQFont();
        fontStale_ = false;
    }
    return qfont_;
}

QString TLabel::DisplayText(const QString& caption) {
    if (!caption.contains(QLatin1Char('&'))) return caption;
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
    // A screen reader speaks the new text (the amount display's, above all).
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
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
    fontStale_ = true;
    AdjustBounds();
    update();
}

namespace {
// The box of a one-line text in a font. Measuring shapes the text, and every
// dialog measures the same captions again; the sizes are kept per process.
struct TextKey {
    QString face;
    int height;
    bool bold;
    QString text;
    bool operator==(const TextKey&) const = default;
};
size_t qHash(const TextKey& k, size_t seed = 0) { return qHashMulti(seed, k.face, k.height, k.bold, k.text); }

QSize TextBox(const FontSpec& fontSpec, const QFont& font, const QString& text) {
    static QMutex mutex;
    static QHash<TextKey, QSize> boxes;
    TextKey key{fontSpec.name, fontSpec.height, fontSpec.bold, text};
    QMutexLocker lock(&mutex);
    if (const auto it = boxes.constFind(key); it != boxes.constEnd()) return *it;
    const QFontMetrics fm(font);
    const QSize box(text.isEmpty() ? 0 : fm.horizontalAdvance(text), fm.height());
    if (boxes.size() >= 256) boxes.clear();  // typed values are many; keep few
    boxes.insert(std::move(key), box);
    return box;
}
}  // namespace

void TLabel::AdjustBounds() {
    if (!autoSize_) return;
    const QSize box = TextBox(font_, DrawingFont(), DisplayText(caption_));
    const int w = box.width();
    const int h = box.height();
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
    if (caption_.isEmpty() || FaceCovers(this)) return;
    QPainter p(this);
    p.setFont(DrawingFont());
    p.setPen(font_.color);
    int flags = Qt::TextShowMnemonic | Qt::TextSingleLine | Qt::AlignTop;
    switch (alignment_) {
    case taRightJustify:
        flags |= Qt::AlignRight;
        break;
    case taCenter:
        flags |= Qt::AlignHCenter;
        break;
    default:
        flags |= Qt::AlignLeft;
        break;
    }
    p.drawText(rect(), flags, caption_);
}

// ---------------------------------------------------------------- TImage

namespace {
// The picture with the key colour (its lower-left pixel) made transparent.
QImage MaskedOf(const QImage& picture, bool transparent) {
    static ImageCache<std::pair<qint64, bool>> masked(32);
    return masked.Get({picture.cacheKey(), transparent}, [&] {
        QImage out = picture.convertToFormat(QImage::Format_ARGB32);
        if (transparent) {
            const QRgb key = out.pixel(0, out.height() - 1) & 0x00FFFFFFu;
            for (int y = 0; y < out.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
                for (int x = 0; x < out.width(); ++x)
                    if ((line[x] & 0x00FFFFFFu) == key) line[x] = 0;
            }
        }
        return out;
    });
}

// A masked picture at a device size, ready to blend: nearest-neighbour, so
// no interpolation can blend the key colour into the motif.
QImage ScaledOf(const QImage& masked, QSize device) {
    static ImageCache<std::tuple<qint64, int, int>> scaled(32);
    return scaled.Get({masked.cacheKey(), device.width(), device.height()}, [&] {
        return masked.scaled(device, Qt::IgnoreAspectRatio, Qt::FastTransformation)
            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    });
}
}  // namespace

namespace {
// A picture read from disk may differ from the last read under the same
// name, so it is keyed by the image itself: a new read, a new key.
bool ImageFace(const QWidget* w, FaceKey& key) {
    const auto* i = static_cast<const TImage*>(w);
    key << (i->Picture().isNull() ? 0 : i->Picture().cacheKey()) << qint64{i->Stretch()} << qint64{i->Transparent()};
    return true;
}
}  // namespace

TImage::TImage(QWidget* parent) : QWidget(parent) {
    KeepBeside(this);
    RegisterFaceKeyOnce<TImage>(&ImageFace);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
}

TImage::~TImage() { ForgetBeside(this); }

void TImage::SetPicture(const QImage& picture) {
    picture_ = picture;
    Invalidate();
}

void TImage::SetPictureFile(const QString& path) {
    pictureFile_ = path;
    SetPicture(LoadPicture(path));
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
    masked_ = picture_.isNull() ? QImage() : MaskedOf(picture_, transparent_);
    cache_ = QImage();
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    if (masked_.isNull() || FaceCovers(this)) return;
    const QRect target = stretch_ ? rect() : QRect(QPoint(0, 0), masked_.size());
    const qreal dpr = devicePixelRatioF();
    const QSize device = (QSizeF(target.size()) * dpr).toSize();
    if (cache_.isNull() || cache_.size() != device) {
        cache_ = ScaledOf(masked_, device);
        cache_.setDevicePixelRatio(dpr);
    }
    QPainter p(this);
    p.drawImage(target.topLeft(), cache_);
}

namespace {
// State kept beside the objects of the toolkit's classes rather than in
// them: their layout is fixed by what hosts were built against. Looking up
// a dynamic property by name walks every property of the class first, which
// costs more than all else these setters do. An entry lives from the
// constructor to the destructor; a widget of any other class keeps its
// spoken name as a dynamic property.
struct Beside {
    QString spokenName;
    bool checkable = false;
    bool checked = false;
};
QHash<const QWidget*, Beside> g_beside;
constexpr char kSpokenName[] = "plat_spokenName";
}  // namespace

void KeepBeside(QWidget* w) { g_beside.emplace(w); }
void ForgetBeside(QWidget* w) { g_beside.remove(w); }

void SetSpokenName(QWidget* w, const QString& name) {
    if (const auto it = g_beside.find(w); it != g_beside.end())
        it->spokenName = name;
    else
        w->setProperty(kSpokenName, name);
}

QString SpokenName(const QWidget* w) {
    if (const auto it = g_beside.constFind(w); it != g_beside.cend()) return it->spokenName;
    return w->property(kSpokenName).toString();
}

bool TImage::Checkable() const { return g_beside.value(this).checkable; }
void TImage::SetCheckable(bool on) { g_beside[this].checkable = on; }
bool TImage::Checked() const { return g_beside.value(this).checked; }

void TImage::SetChecked(bool on) {
    if (on == Checked()) return;
    g_beside[this].checked = on;
    if (Checkable() && QAccessible::isActive()) {
        QAccessible::State state;
        state.checked = true;
        QAccessibleStateChangeEvent changed(this, state);
        QAccessible::updateAccessibility(&changed);
    }
}

void TImage::mousePressEvent(QMouseEvent* e) { pressed_ = e->button() == Qt::LeftButton; }

void TImage::mouseReleaseEvent(QMouseEvent* e) {
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    if (click) Application::Guarded([&] { Q_EMIT OnClick(this); });
}

// ---------------------------------------------------------------- TBevel

TBevel::TBevel(QWidget* parent) : QWidget(parent) {
    RegisterFaceKeyOnce<TBevel>(&NoFaceState);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
}

TBevel::~TBevel() = default;

void TBevel::paintEvent(QPaintEvent*) {
    // Lowered etched frame: a highlight rectangle offset by one pixel, then
    // the shadow rectangle over it.
    const int w = width();
    const int h = height();
    if (w < 3 || h < 3 || FaceCovers(this)) return;
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

namespace {
bool ShapeFace(const QWidget* w, FaceKey& key) {
    const auto* s = static_cast<const TShape*>(w);
    key << s->PenColor() << s->PenWidth() << s->BrushColor();
    return true;
}
}  // namespace

TShape::TShape(QWidget* parent) : QWidget(parent) {
    RegisterFaceKeyOnce<TShape>(&ShapeFace);
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
    if (alignClient_ && watched == parentWidget() && e->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, e);
}

void TShape::paintEvent(QPaintEvent*) {
    if (FaceCovers(this)) return;
    QPainter p(this);
    p.fillRect(rect(), brush_);
    const int b = std::min({penWidth_, width() / 2, height() / 2});
    if (b <= 0) return;
    p.fillRect(QRect(0, 0, width(), b), pen_);
    p.fillRect(QRect(0, height() - b, width(), b), pen_);
    p.fillRect(QRect(0, 0, b, height()), pen_);
    p.fillRect(QRect(width() - b, 0, b, height()), pen_);
}

// ---------------------------------------------------------------- pictures

bool IsResourcePath(const QString& path) {
    return path.startsWith(QLatin1Char(':')) || path.startsWith(QLatin1String("qrc:"));
}

QImage LoadPicture(const QString& path) {
    if (path.isEmpty()) return {};
    if (!IsResourcePath(path)) return QImage(path);
    // The program has a few resource pictures; room for all of them keeps
    // each decoded once, so images made from one keep their cache keys.
    static ImageCache<QString> pictures(64);
    return pictures.Get(path, [&] {
        QImageReader reader(path, QFileInfo(path).suffix().toLatin1());
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        return image.isNull() ? QImage(path) : image;
    });
}

}  // namespace plat
