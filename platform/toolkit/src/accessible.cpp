// What assistive technology (a screen reader, through AT-SPI) sees of a form
// and its controls. Qt asks this factory only when a client queries an
// object, so a form costs nothing more while none is active.
#include "accessible_p.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QTimer>

#include "orv00006/platform/controls.h"
#include "orv00006/platform/forms.h"

namespace plat {
namespace {

// Frames and outline shapes are decoration, and hidden controls are not
// there for the operator: neither is shown to assistive technology.
bool Presented(const QWidget* w) {
    return !w->isWindow() && !w->isHidden() && qobject_cast<const TShape*>(w) == nullptr &&
           qobject_cast<const TBevel*>(w) == nullptr;
}

// Named by its own accessibleName, else by its spoken name, else by what
// the control shows (Fallback), else as Qt names it.
class NamedAccessible : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            if (const QString spoken = SpokenName(widget()); !spoken.isEmpty()) return spoken;
            if (const QString shown = Fallback(); !shown.isNull()) return shown;
        }
        return QAccessibleWidget::text(t);
    }

protected:
    virtual QString Fallback() const { return QString(); }
};

class FormAccessible : public NamedAccessible {
public:
    explicit FormAccessible(QWidget* w) : NamedAccessible(w, QAccessible::Dialog) {}

    int childCount() const override { return static_cast<int>(Children().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> c = Children();
        return index >= 0 && index < c.size() ? QAccessible::queryAccessibleInterface(c[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child == nullptr ? -1 : static_cast<int>(Children().indexOf(qobject_cast<QWidget*>(child->object())));
    }

private:
    QList<QWidget*> Children() const {
        QList<QWidget*> out;
        for (QObject* o : widget()->children())
            if (auto* w = qobject_cast<QWidget*>(o); w != nullptr && Presented(w)) out << w;
        return out;
    }
};

// A label's text as the operator reads it ("&&" shown as "&").
class LabelAccessible : public NamedAccessible {
public:
    explicit LabelAccessible(TLabel* l) : NamedAccessible(l, QAccessible::StaticText) {}

protected:
    QString Fallback() const override {
        // Never null, so that an empty label is named "" rather than by Qt.
        return TLabel::DisplayText(static_cast<const TLabel*>(widget())->Caption()) + QLatin1String("");
    }
};

// A picture standing for an option: a radio button whose action clicks it.
class OptionAccessible : public NamedAccessible {
public:
    explicit OptionAccessible(TImage* i) : NamedAccessible(i, QAccessible::RadioButton) {}

    QAccessible::State state() const override {
        QAccessible::State s = NamedAccessible::state();
        s.checkable = true;
        s.checked = Image()->Checked();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action != pressAction() || !Image()->isEnabled()) return;
        // Later, from the event loop, as a tap would; the client's call has
        // its answer first.
        QPointer<TImage> image = Image();
        QTimer::singleShot(0, image, [image] { Application::Guarded([&] { Q_EMIT image->OnClick(image); }); });
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    TImage* Image() const { return static_cast<TImage*>(widget()); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    if (w == nullptr) return nullptr;
    if (className == QLatin1String("plat::TForm")) return new FormAccessible(w);
    if (className == QLatin1String("plat::TLabel")) return new LabelAccessible(static_cast<TLabel*>(w));
    if (className == QLatin1String("plat::TImage")) {
        auto* image = static_cast<TImage*>(w);
        if (image->Checkable()) return new OptionAccessible(image);
        return new QAccessibleWidget(w, QAccessible::Graphic);
    }
    // What Qt would make of them at the QWidget level, without its search
    // up the class chain for every frame and shape shown.
    if (className == QLatin1String("plat::TBevel") || className == QLatin1String("plat::TShape"))
        return new QAccessibleWidget(w);
    return nullptr;
}

}  // namespace

void InstallAccessibleFactory() {
    static const bool installed = (QAccessible::installFactory(&Factory), true);
    static_cast<void>(installed);
}

}  // namespace plat
