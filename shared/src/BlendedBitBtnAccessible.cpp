// A keypad button as assistive technology sees it: a push button named by
// its spoken name or its caption, whose press action is a click. Qt asks
// this factory only when a client queries a button.
#include "BlendedBitBtnAccessible.h"

#include <QAccessibleWidget>

#include "orv00006/dll/BlendedBitBtn.h"

namespace dll {
namespace {

class ButtonAccessible : public QAccessibleWidget {
public:
    explicit ButtonAccessible(TBlendedBitBtn* b) : QAccessibleWidget(b, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !widget()->accessibleName().isEmpty()) return QAccessibleWidget::text(t);
        const QString spoken = Button()->SpokenName();
        return spoken.isEmpty() ? Button()->Caption() : spoken;
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = Button()->isDown();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        // Later, from the event loop, as a tap would: the press may open a
        // modal message, and the client's call must have its answer first.
        // A disabled button does not click.
        if (action == pressAction()) Button()->animateClick();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    TBlendedBitBtn* Button() const { return static_cast<TBlendedBitBtn*>(widget()); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className != QLatin1String("dll::TBlendedBitBtn")) return nullptr;
    auto* b = qobject_cast<TBlendedBitBtn*>(object);
    return b == nullptr ? nullptr : new ButtonAccessible(b);
}

}  // namespace

void InstallButtonAccessibleFactory() {
    static const bool installed = (QAccessible::installFactory(&Factory), true);
    static_cast<void>(installed);
}

}  // namespace dll
