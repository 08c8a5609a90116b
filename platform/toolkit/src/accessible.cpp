// What assistive technology (a screen reader, through AT-SPI) sees of a form
// and its controls. Qt asks this factory only when a client queries an
// object, so a form costs nothing more while none is active.
#include "accessible_p.h"

#include <QAbstractButton>
#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <utility>

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

// A label that only says what an option picture beside it is named: the
// option speaks for itself, and reading both says the word twice.
bool RepeatsAnOption(const QWidget* label, const QList<QWidget*>& siblings) {
    const QString text = TLabel::DisplayText(static_cast<const TLabel*>(label)->Caption());
    for (const QWidget* s : siblings) {
        const auto* image = qobject_cast<const TImage*>(s);
        if (image != nullptr && image->Checkable() && SpokenName(image) == text) return true;
    }
    return false;
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

// A form's buttons take no focus, the form receives every key. Once a screen
// reader walks the form, Tab walks them in reading order (rows top to
// bottom, each left to right) and Space presses the one reached; keys the
// button does not take still reach the form.
void OpenButtonsToTab(QWidget* form) {
    QList<QAbstractButton*> buttons;
    for (QObject* o : form->children())
        if (auto* b = qobject_cast<QAbstractButton*>(o); b != nullptr && b->focusPolicy() == Qt::NoFocus) buttons << b;
    std::stable_sort(buttons.begin(), buttons.end(), [](const QWidget* a, const QWidget* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    // Until the first Tab the form keeps the focus, or its window's first
    // activation would hand it to the first button.
    if (!buttons.isEmpty() && form->focusWidget() == nullptr) form->setFocus(Qt::OtherFocusReason);
    QWidget* previous = form;
    for (QAbstractButton* b : buttons) {
        b->setFocusPolicy(Qt::TabFocus);
        QWidget::setTabOrder(previous, b);
        previous = b;
    }
}

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
    // What the form shows besides its name, as the form itself words it
    // (its SpokenDescription property): a screen reader says it with the
    // name whenever the form becomes active.
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description && widget()->accessibleDescription().isEmpty())
            if (const QVariant said = widget()->property("SpokenDescription"); said.isValid()) return said.toString();
        return NamedAccessible::text(t);
    }

private:
    QList<QWidget*> Children() const {
        // A screen reader walking the form is what opens its buttons to Tab.
        if (!openToTab_ && QAccessible::isActive()) {
            openToTab_ = true;
            OpenButtonsToTab(widget());
        }
        QList<QWidget*> shown;
        for (QObject* o : widget()->children())
            if (auto* w = qobject_cast<QWidget*>(o); w != nullptr && Presented(w)) shown << w;
        QList<QWidget*> out;
        for (QWidget* w : shown)
            if (qobject_cast<TLabel*>(w) == nullptr || !RepeatsAnOption(w, shown)) out << w;
        return out;
    }

    mutable bool openToTab_ = false;
};

// A label's text as the operator reads it ("&&" shown as "&").
class LabelAccessible : public NamedAccessible {
public:
    explicit LabelAccessible(TLabel* l) : NamedAccessible(l, QAccessible::StaticText) {}

    // A label the form's description already says (a limit) is tied to the
    // form, so that a screen reader takes the description rather than the
    // label alone when it presents the form.
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation match) const override {
        auto out = NamedAccessible::relations(match);
        QWidget* form = widget()->parentWidget();
        if (form == nullptr || !(match & QAccessible::Labelled)) return out;
        const QString description = form->property("SpokenDescription").toString();
        const QString shown = Fallback();
        if (!shown.isEmpty() && description.contains(shown))
            out.append({QAccessible::queryAccessibleInterface(form), QAccessible::Labelled});
        return out;
    }

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

// What the process says to a screen reader that no control carries: a
// notification inside a status bar (so the reader says the text alone, not
// "notification" with it), shown anew for every message. Neither belongs to
// a form: a message said as a form closes is still there when the reader
// comes to read it.
class NoticeAccessible : public QAccessibleObject {
public:
    NoticeAccessible(QObject* notice, QAccessibleInterface* bar) : QAccessibleObject(notice), bar_(bar) {}

    QAccessibleInterface* parent() const override { return bar_; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? text_ : QString(); }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override { return {}; }

    // A copy of its own: a literal's characters stay in the library that
    // wrote it, which the host may unload while a reader still asks.
    void Say(const QString& text) { text_ = QString(text.constData(), text.size()); }

private:
    QAccessibleInterface* bar_;
    QString text_;
};

class BarAccessible : public QAccessibleObject {
public:
    explicit BarAccessible(QObject* bar) : QAccessibleObject(bar) {}

    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(qApp); }
    QAccessibleInterface* child(int index) const override { return index == 0 ? notice_ : nullptr; }
    int childCount() const override { return 1; }
    int indexOfChild(const QAccessibleInterface* c) const override { return c != nullptr && c == notice_ ? 0 : -1; }
    QString text(QAccessible::Text) const override { return QString(); }
    QAccessible::Role role() const override { return QAccessible::StatusBar; }
    QAccessible::State state() const override { return {}; }

    void SetNotice(NoticeAccessible* notice) { notice_ = notice; }

private:
    NoticeAccessible* notice_ = nullptr;
};

// Made on the first message. The two objects have no parent: the
// application's own teardown would drop their interfaces after the
// accessibility bridge is gone. They go when this library is unloaded while
// the application still runs, and are left to the process's end otherwise.
struct Announcer {
    QPointer<QObject> bar;
    NoticeAccessible* notice = nullptr;

    ~Announcer() {
        if (QCoreApplication::instance() != nullptr) delete bar.data();
    }
};

NoticeAccessible* Notice() {
    static Announcer announcer;
    if (announcer.bar.isNull()) {
        announcer.bar = new QObject;
        auto* noticeObject = new QObject(announcer.bar);
        auto* barIface = new BarAccessible(announcer.bar);
        announcer.notice = new NoticeAccessible(noticeObject, barIface);
        barIface->SetNotice(announcer.notice);
        QAccessible::registerAccessibleInterface(barIface);
        QAccessible::registerAccessibleInterface(announcer.notice);
    }
    return announcer.notice;
}

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

void Announce(const QString& text) {
    if (!QAccessible::isActive() || text.isEmpty()) return;
    NoticeAccessible* notice = Notice();
    notice->Say(text);
    QAccessibleEvent shown(notice, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

void InstallAccessibleFactory() {
    static const bool installed = (QAccessible::installFactory(&Factory), true);
    static_cast<void>(installed);
}

}  // namespace plat
