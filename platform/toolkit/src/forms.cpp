#include "orv00006/platform/forms.h"

#include "accessible_p.h"
#include "face_p.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMutex>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>

#include "orv00006/platform/controls.h"
#include "orv00006/platform/exceptions.h"

namespace plat {

quint16 VirtualKeyOf(const QKeyEvent& event) {
    const int key = event.key();
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<quint16>((keypad ? int{VK_NUMPAD0} : int{'0'}) + (key - Qt::Key_0));
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<quint16>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<quint16>(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Tab:
        return VK_TAB;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
        return VK_MENU;
    case Qt::Key_Asterisk:
        return keypad ? VK_MULTIPLY : 0;
    case Qt::Key_Plus:
        return keypad ? VK_ADD : 187;
    case Qt::Key_Minus:
        return keypad ? VK_SUBTRACT : 189;
    case Qt::Key_Period:
        return keypad ? VK_DECIMAL : 190;
    case Qt::Key_Comma:
        return 188;
    case Qt::Key_Slash:
        return keypad ? VK_DIVIDE : 191;
    default:
        return 0;
    }
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) s |= ssShift;
    if (modifiers.testFlag(Qt::AltModifier)) s |= ssAlt;
    if (modifiers.testFlag(Qt::ControlModifier)) s |= ssCtrl;
    if (buttons.testFlag(Qt::LeftButton)) s |= ssLeft;
    if (buttons.testFlag(Qt::RightButton)) s |= ssRight;
    if (buttons.testFlag(Qt::MiddleButton)) s |= ssMiddle;
    return s;
}

namespace {
// Runs `dialog` modally; false when it was destroyed meanwhile. A
// QCoreApplication::exit() made outside QCoreApplication::exec() leaves every
// new event loop of the thread returning at once: the dialog then runs on
// plain event processing until it is hidden, so that later calls still work.
bool RunModal(QDialog* dialog) {
    const QPointer<QDialog> self(dialog);
    bool loopRan = false;
    QTimer probe;
    probe.setSingleShot(true);
    QObject::connect(&probe, &QTimer::timeout, [&loopRan] { loopRan = true; });
    probe.start(0);
    dialog->exec();
    if (!loopRan)
        while (self && self->isVisible()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return !self.isNull();
}

// Closes a message box once the window it speaks for is hidden.
class CloseWhenHidden : public QObject {
public:
    explicit CloseWhenHidden(QDialog* box) : QObject(box), box_(box) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide) box_->reject();
        return QObject::eventFilter(watched, event);
    }

private:
    QDialog* box_;
};
}  // namespace

void ShowMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text) {
    const QPointer<QWidget> over = QApplication::activeWindow();
    QPointer<QMessageBox> box = new QMessageBox(icon, title, text, QMessageBox::Ok);
    // Stacked above the window it speaks for, without being its child; gone
    // with that window, whether it is hidden or destroyed.
    box->winId();
    if (over) {
        if (QWindow* w = over->windowHandle()) box->windowHandle()->setTransientParent(w);
        QObject::connect(over, &QObject::destroyed, box.data(), &QDialog::reject);
        over->installEventFilter(new CloseWhenHidden(box));
    }
    RunModal(box);
    delete box.data();
    // The window it spoke for takes the input again (and a screen reader
    // follows it there); nothing else would hand activation back.
    if (over && over->isVisible()) over->activateWindow();
}

namespace Application {
namespace {
QMutex g_handlerMutex;
ExceptionHandler g_handler;

void ShowDefault(const QString& message) { ShowMessageBox(QMessageBox::Critical, QStringLiteral("Erro"), message); }
}  // namespace

void SetExceptionHandler(ExceptionHandler handler) {
    QMutexLocker lock(&g_handlerMutex);
    g_handler = std::move(handler);
}

void HandleCurrentException() noexcept {
    QString message;
    try {
        throw;
    } catch (const EAbort&) {
        return;
    } catch (const Exception& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("Erro inesperado.");
    }
    try {
        ExceptionHandler handler;
        {
            QMutexLocker lock(&g_handlerMutex);
            handler = g_handler;
        }
        if (handler)
            handler(message);
        else
            ShowDefault(message);
    } catch (...) {
        std::fprintf(stderr, "exception handler failed while reporting: %s\n", message.toLocal8Bit().constData());
    }
}
}  // namespace Application

namespace {
// The screen of the window the operator is working in (the owner's, else the
// active one's), else the primary screen.
QScreen* OperatorScreen(const QWidget* owner) {
    if (owner != nullptr) return owner->screen();
    if (const QWindow* w = QGuiApplication::focusWindow()) return w->screen();
    if (const QWidget* w = QApplication::activeWindow()) return w->screen();
    return QGuiApplication::primaryScreen();
}
}  // namespace

TForm::TForm(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    KeepBeside(this);
    InstallAccessibleFactory();
    // Known from the start: every control created on the form asks for it
    // (for its font's resolution), and a window not yet created would find
    // it by searching the screens for its position each time.
    if (QScreen* s = OperatorScreen(owner)) setScreen(s);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, SystemColors::clBtnFace);
    setPalette(colours);
    setFocusPolicy(Qt::StrongFocus);
    setModal(true);
}

TForm::~TForm() { ForgetBeside(this); }

void TForm::DoCreate() {
    Application::Guarded([&] { Q_EMIT OnCreate(this); });
}

TForm::TModalEnd TForm::ShowModal() {
    if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2) + QPoint(1, 1));
    }
    modal_ = true;
    closedByForm_ = false;
    if (!RunModal(this)) return TModalEnd::Destroyed;
    modal_ = false;
    if (releaseAfterModal_) {
        releaseAfterModal_ = false;
        deleteLater();
    }
    return closedByForm_ ? TModalEnd::Closed : TModalEnd::Outside;
}

void TForm::Close() {
    TCloseAction action = caHide;
    Q_EMIT OnClose(this, action);
    if (action == caNone) return;
    if (modal_) {
        closedByForm_ = true;
        done(QDialog::Rejected);
        if (action == caFree) Release();
    } else if (action == caFree) {
        hide();
        Release();
    } else {
        hide();
    }
}

void TForm::Release() {
    // A nested loop inside a handler (a message box) would otherwise delete
    // the form under the handler still running, and before its caller has
    // read the outcome of the run.
    if (modal_) {
        releaseAfterModal_ = true;
        return;
    }
    deleteLater();
}

void TForm::Repaint() { repaint(); }

namespace {

// What QWidget does when its window gains or loses activation: it repaints
// itself where the active and inactive colours differ, and hands the event
// to every visible child, which does the same. A control drawn by its face
// key alone never draws from the palette's active or inactive colours, so
// activation changes nothing for it and it gets no event; every other child
// still does.
void ChangeActivation(QWidget* form, QEvent* e) {
    if (form->isVisible() && !form->palette().isEqual(QPalette::Active, QPalette::Inactive)) form->update();
    // A copy, as Qt takes: a child's handler may add or remove children.
    const QObjectList children = form->children();
    for (QObject* o : children) {
        if (!o->isWidgetType()) continue;
        auto* w = static_cast<QWidget*>(o);
        if (!w->isVisible() || w->isWindow()) continue;
        if (!DrawnByItsKey(w)) QCoreApplication::sendEvent(w, e);
    }
}

}  // namespace

bool TForm::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::WindowActivate: {
        const QPointer<TForm> self(this);
        Application::Guarded([&] { Q_EMIT OnActivate(this); });
        if (!self) return true;
        ChangeActivation(this, e);
        return true;
    }
    case QEvent::WindowDeactivate:
        ChangeActivation(this, e);
        return true;
    case QEvent::Paint:
        PaintFace(this, *static_cast<QPaintEvent*>(e));
        break;
    default:
        break;
    }
    return QDialog::event(e);
}

void TForm::keyPressEvent(QKeyEvent* e) {
    quint16 key = VirtualKeyOf(*e);
    const TShiftState shift = ShiftStateOf(e->modifiers(), QGuiApplication::mouseButtons());
    const QPointer<TForm> self(this);
    Application::Guarded([&] { Q_EMIT OnKeyDown(this, key, shift); });
    // A handler's message loop may have let the host destroy the form.
    if (!self) return;
    // Keys combined with Alt or Ctrl type no character, as on the host
    // platform; control keys other than Enter, Backspace, Tab and Esc
    // type none either.
    if (e->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) return;
    const QString text = e->text();
    if (text.size() != 1) return;
    QChar ch = text.at(0);
    const ushort code = ch.unicode();
    const bool typed = code >= 32 ? code != 127 : (code == 8 || code == 9 || code == 13 || code == 27);
    if (!typed) return;
    Application::Guarded([&] { Q_EMIT OnKeyPress(this, ch); });
}

void TForm::closeEvent(QCloseEvent* e) {
    e->ignore();
    if (!AcceptsSystemClose()) return;
    Application::Guarded([&] { Close(); });
}

}  // namespace plat
