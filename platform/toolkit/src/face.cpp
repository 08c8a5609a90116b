// The face a form keeps: a dialog made anew for every call shows the same
// pixels as the one before it, and painting them control by control is most
// of the cost of showing it. The second time a form is shown exactly as an
// earlier one was, its face is drawn once into an image, which later forms
// copy whole while their controls skip their paint. A form shown once keeps
// nothing but a hash of its key.
#include "face_p.h"

#include <QMutex>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QVarLengthArray>

#include <algorithm>
#include <map>
#include <vector>

#include "orv00006/platform/controls.h"

namespace plat {
namespace {

struct Keyer {
    const std::type_info* type;
    FaceKeyFn fn;
};
QMutex g_keyersMutex;
std::vector<Keyer> g_keyers;

FaceKeyFn KeyerOf(const QWidget* w) {
    const std::type_info& type = typeid(*w);
    QMutexLocker lock(&g_keyersMutex);
    for (const Keyer& k : g_keyers)
        if (*k.type == type) return k.fn;
    return nullptr;
}

// A control with widgets of its own is not drawn by its key alone.
bool HoldsWidgets(const QWidget* w) {
    const QObjectList& inner = w->children();
    return std::any_of(inner.begin(), inner.end(), [](const QObject* c) { return c->isWidgetType(); });
}

using Controls = QVarLengthArray<QWidget*, 32>;

// The controls a paint of the whole form draws, in stacking order, and their
// state into the key; false when one of them cannot be keyed.
bool FaceControls(const QWidget* form, Controls& out, FaceKey& key) {
    for (QObject* o : form->children()) {
        if (!o->isWidgetType()) continue;
        auto* w = static_cast<QWidget*>(o);
        if (w->isWindow() || w->isHidden()) continue;
        const FaceKeyFn fn = KeyerOf(w);
        if (fn == nullptr || w->graphicsEffect() != nullptr || HoldsWidgets(w)) return false;
        const QRect g = w->geometry();
        key << reinterpret_cast<qint64>(fn) << g.x() << g.y() << g.width() << g.height();
        if (!fn(w, key)) return false;
        out.push_back(w);
    }
    return true;
}

// Keys of the last forms painted whole, and which form painted each: a face
// is kept only once a second form shows it.
struct Seen {
    size_t hash;
    QPointer<QWidget> form;
};
QList<Seen> g_seen;
constexpr qsizetype kSeen = 8;

bool SeenOnAnotherForm(QByteArrayView key, QWidget* form) {
    const size_t hash = qHash(key);
    bool elsewhere = false;
    bool here = false;
    for (const Seen& s : std::as_const(g_seen)) {
        if (s.hash != hash) continue;
        (s.form == form ? here : elsewhere) = true;
    }
    if (!here) {
        if (g_seen.size() >= kSeen) g_seen.removeFirst();
        g_seen.append({hash, form});
    }
    return elsewhere;
}

// Few faces: one per kind of dialog a till shows, each the size of a window.
std::map<QByteArray, QImage> g_kept;
constexpr std::size_t kKept = 4;

// The face as the form's own paint draws it: the window background, then
// each control over it, in order.
QImage Drawn(const Controls& controls, QSize size, QImage::Format format, const QBrush& background) {
    QImage face(size, format);
    QPainter p(&face);
    p.fillRect(face.rect(), background);
    for (QWidget* w : controls) w->render(&p, w->pos(), QRegion(), QWidget::DrawChildren);
    return face;
}

// The controls the last face drawn stands for, until each has skipped its
// paint. Guarded: a control deleted before its paint cannot lend its
// address to a new one.
QVarLengthArray<QPointer<const QWidget>, 32> g_covered;

}  // namespace

void RegisterFaceKey(const std::type_info& type, FaceKeyFn key) {
    QMutexLocker lock(&g_keyersMutex);
    g_keyers.push_back({&type, key});
}

bool DrawnByItsKey(const QWidget* control) { return KeyerOf(control) != nullptr && !HoldsWidgets(control); }

bool FaceCovers(const QWidget* control) {
    if (g_covered.isEmpty()) return false;
    const auto it = std::find_if(g_covered.begin(), g_covered.end(),
                                 [control](const QPointer<const QWidget>& c) { return c.data() == control; });
    if (it == g_covered.end()) return false;
    g_covered.erase(it);
    return true;
}

void PaintFace(QWidget* form, const QPaintEvent& e) {
    g_covered.clear();
    // Only a visible form, whole, on a plain opaque background: then what is
    // under each control is known, and so is which controls are painted.
    if (!form->isVisible() || e.region() != QRegion(form->rect())) return;
    if (form->testAttribute(Qt::WA_TranslucentBackground) || form->testAttribute(Qt::WA_NoSystemBackground)) return;
    const FaceKeyFn formKey = KeyerOf(form);
    if (formKey == nullptr) return;
    const QBrush background = form->palette().brush(form->backgroundRole());
    if (background.style() != Qt::SolidPattern || background.color().alpha() != 255) return;

    FaceKey::Bytes bytes;
    FaceKey key(bytes);
    key << form->width() << form->height() << background.color();
    if (!formKey(form, key)) return;
    Controls controls;
    if (!FaceControls(form, controls, key)) return;

    // Copied one to one into an image of the same format, the face gives the
    // very pixels painting in place would.
    QPainter p(form);
    const QPaintDevice* device = p.paintEngine() != nullptr ? p.paintEngine()->paintDevice() : nullptr;
    if (device == nullptr || device->devType() != QInternal::Image) return;
    const auto* target = static_cast<const QImage*>(device);
    if (target->devicePixelRatio() != 1.0 || !p.deviceTransform().isIdentity()) return;
    key << qint64{target->format()};

    // Looked up without copying the key; copied only when a face is kept.
    const QByteArray lookup = QByteArray::fromRawData(bytes.constData(), bytes.size());
    QImage face;
    if (const auto it = g_kept.find(lookup); it != g_kept.end()) {
        face = it->second;
    } else {
        if (!SeenOnAnotherForm(lookup, form)) return;
        face = Drawn(controls, form->size(), target->format(), background);
        if (g_kept.size() >= kKept) g_kept.clear();
        g_kept.emplace(QByteArray(bytes.constData(), bytes.size()), face);
    }
    p.drawImage(0, 0, face);
    for (const QWidget* w : controls)
        if (!w->size().isEmpty() && w->geometry().intersects(form->rect())) g_covered.push_back(w);
}

}  // namespace plat
