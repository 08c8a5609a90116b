#include "ScriptDriver.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

#include <iterator>
#include <utility>

namespace {

struct KeyStroke {
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers modifiers;
    QString text;
};

bool ParseKey(const QString& token, KeyStroke& out) {
    QStringList parts = token.split(QLatin1Char('+'));
    QString name = parts.takeLast();
    if (name.isEmpty() && token.endsWith(QLatin1Char('+'))) return false;
    for (const QString& m : parts) {
        if (m == QLatin1String("Alt"))
            out.modifiers |= Qt::AltModifier;
        else if (m == QLatin1String("Shift"))
            out.modifiers |= Qt::ShiftModifier;
        else if (m == QLatin1String("Ctrl"))
            out.modifiers |= Qt::ControlModifier;
        else
            return false;
    }
    const bool shift = out.modifiers.testFlag(Qt::ShiftModifier);
    if (name.size() == 1 && name[0].isDigit()) {
        out.key = static_cast<Qt::Key>(Qt::Key_0 + name[0].digitValue());
        out.text = name;
    } else if (name.size() == 3 && name.startsWith(QLatin1String("KP")) && name[2].isDigit()) {
        out.key = static_cast<Qt::Key>(Qt::Key_0 + name[2].digitValue());
        out.modifiers |= Qt::KeypadModifier;
        out.text = name.mid(2);
    } else if (name.size() == 1 && name[0].isLetter() && name[0].unicode() < 0x80) {
        // A letter names its key, in either case; Shift makes the capital.
        const QString upper = name.toUpper();
        out.key = static_cast<Qt::Key>(Qt::Key_A + (upper[0].unicode() - 'A'));
        out.text = shift ? upper : name.toLower();
    } else if (name == QLatin1String(".")) {
        out.key = Qt::Key_Period;
        out.text = name;
    } else if (name == QLatin1String(",")) {
        out.key = Qt::Key_Comma;
        out.text = name;
    } else if (name == QLatin1String("Enter")) {
        out.key = Qt::Key_Return;
        out.text = QStringLiteral("\r");
    } else if (name == QLatin1String("Esc")) {
        out.key = Qt::Key_Escape;
        out.text = QStringLiteral("\x1b");
    } else if (name == QLatin1String("Backspace")) {
        out.key = Qt::Key_Backspace;
        out.text = QStringLiteral("\b");
    } else if (name == QLatin1String("Delete")) {
        out.key = Qt::Key_Delete;
        out.text = QStringLiteral("\x7f");
    } else if (name.size() >= 2 && name[0] == QLatin1Char('F')) {
        bool ok = false;
        const int n = name.mid(1).toInt(&ok);
        if (!ok || n < 1 || n > 12) return false;
        out.key = static_cast<Qt::Key>(Qt::Key_F1 + n - 1);
    } else {
        return false;
    }
    return true;
}

// One event, as the window system would deliver it to the widget; false
// when the widget went away while handling an earlier one.
bool Send(const QPointer<QWidget>& to, QEvent& event) {
    if (!to) return false;
    QCoreApplication::sendEvent(to, &event);
    return !to.isNull();
}

bool SendKey(const QPointer<QWidget>& to, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers,
             const QString& text = QString()) {
    QKeyEvent event(type, key, modifiers, text);
    return Send(to, event);
}

// The modifier keys in the order a keyboard reports them: each pressed with
// the modifiers already held, released in reverse.
constexpr std::pair<Qt::KeyboardModifier, Qt::Key> kModifierKeys[] = {
    {Qt::ShiftModifier, Qt::Key_Shift}, {Qt::ControlModifier, Qt::Key_Control}, {Qt::AltModifier, Qt::Key_Alt}};

// A whole keystroke: modifiers down, the key down and up, modifiers up.
void TypeKey(QWidget* widget, const KeyStroke& k) {
    const QPointer<QWidget> to(widget);
    Qt::KeyboardModifiers held;
    for (const auto& [modifier, key] : kModifierKeys) {
        if (!k.modifiers.testFlag(modifier)) continue;
        if (!SendKey(to, QEvent::KeyPress, key, held)) return;
        held |= modifier;
    }
    if (!SendKey(to, QEvent::KeyPress, k.key, k.modifiers, k.text)) return;
    if (!SendKey(to, QEvent::KeyRelease, k.key, k.modifiers, k.text)) return;
    for (auto it = std::rbegin(kModifierKeys); it != std::rend(kModifierKeys); ++it) {
        if (!k.modifiers.testFlag(it->first)) continue;
        if (!SendKey(to, QEvent::KeyRelease, it->second, held)) return;
        held &= ~it->first;
    }
}

// A left-button tap at `pos`, in the widget's coordinates.
void Tap(QWidget* widget, QPoint pos) {
    const QPointer<QWidget> to(widget);
    const QPointF local(pos);
    const QPointF global(widget->mapToGlobal(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    if (!Send(to, press)) return;
    QMouseEvent release(QEvent::MouseButtonRelease, local, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    Send(to, release);
}

}  // namespace

ScriptDriver::ScriptDriver(QStringList keys, bool pressEscAtEnd, QString screenshot)
    : keys_(std::move(keys)), pressEscAtEnd_(pressEscAtEnd), screenshot_(std::move(screenshot)) {
    timer_.setSingleShot(true);
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &ScriptDriver::Run);
}

void ScriptDriver::Arm() {
    attempts_ = 0;
    timer_.start();
}

void ScriptDriver::Disarm() { timer_.stop(); }

QWidget* ScriptDriver::FindDialog() {
    if (QWidget* modal = QApplication::activeModalWidget())
        if (modal->objectName() == QLatin1String("frmDesc")) return modal;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmDesc") && w->isVisible()) return w;
    return nullptr;
}

QString ScriptDriver::Text(QWidget* dialog, const char* element) {
    QObject* o = dialog->findChild<QObject*>(QString::fromLatin1(element));
    return o ? o->property("Caption").toString() : QString();
}

bool ScriptDriver::Deliver(QWidget* dialog, const QString& token, QString* problem) {
    if (token.startsWith(QLatin1String("click:"))) {
        // click:NAME taps the element's centre, click:NAME@X,Y a point
        // relative to its top-left corner.
        QString name = token.mid(6);
        QPoint offset(-1, -1);
        if (const qsizetype at = name.indexOf(QLatin1Char('@')); at >= 0) {
            const QStringList xy = name.mid(at + 1).split(QLatin1Char(','));
            offset = QPoint(xy.value(0).toInt(), xy.value(1).toInt());
            name.truncate(at);
        }
        QWidget* element = dialog->findChild<QWidget*>(name);
        if (element == nullptr) {
            if (problem) *problem = QStringLiteral("elemento desconhecido: %1").arg(name);
            return false;
        }
        // A touch lands on whatever is drawn on top at that point.
        const QPoint at = offset.x() < 0 ? element->geometry().center() : element->geometry().topLeft() + offset;
        QWidget* target = dialog->childAt(at);
        if (target == nullptr) target = dialog;
        Tap(target, target->mapFrom(dialog, at));
        return true;
    }
    KeyStroke k;
    if (!ParseKey(token, k)) {
        if (problem) *problem = QStringLiteral("token desconhecido: %1").arg(token);
        return false;
    }
    TypeKey(dialog, k);
    return true;
}

void ScriptDriver::Snapshot(QWidget* dialog) {
    setup.seen = true;
    setup.lblCabec = Text(dialog, "lblCabec");
    setup.lblValor = Text(dialog, "lblValor");
    setup.lblCodTela = Text(dialog, "lblCodTela");
    setup.display = Text(dialog, "lblDadoDigitado");
    setup.tipo = dialog->property("stTipo").toString();
    for (const char* name : {"imgValor", "bvlValor", "lblValor", "imgPercentual", "bvlPercentual", "lblPrecentual"}) {
        QWidget* w = dialog->findChild<QWidget*>(QString::fromLatin1(name));
        if (w != nullptr && w->isHidden()) setup.hidden << QString::fromLatin1(name);
    }
}

void ScriptDriver::Run() {
    QPointer<QWidget> dialog = FindDialog();
    if (!dialog) {
        // The modal loop may turn once before the dialog is shown.
        if (++attempts_ < 100) timer_.start();
        return;
    }
    Snapshot(dialog);
    if (keys_.isEmpty() && !pressEscAtEnd_) return;  // a person drives it
    for (const QString& token : keys_) {
        if (!dialog || !dialog->isVisible()) break;
        QString problem;
        if (!Deliver(dialog, token, &problem)) problems << problem;
        StepRecord step;
        step.input = token;
        step.open = dialog && dialog->isVisible();
        if (dialog) {
            step.display = Text(dialog, "lblDadoDigitado");
            step.tipo = dialog->property("stTipo").toString();
        }
        steps.push_back(step);
    }
    if (!screenshot_.isEmpty()) {
        if (dialog) {
            QImage image(dialog->size(), QImage::Format_RGB32);
            image.setDevicePixelRatio(1.0);
            image.fill(Qt::black);
            dialog->render(&image);
            if (!image.save(screenshot_)) problems << QStringLiteral("não foi possível gravar %1").arg(screenshot_);
        } else {
            problems << QStringLiteral("a tela já foi destruída; sem captura");
        }
    }
    if (dialog && dialog->isVisible()) {
        leftOpen = true;
        if (pressEscAtEnd_) Deliver(dialog, QStringLiteral("Esc"));
    }
}
