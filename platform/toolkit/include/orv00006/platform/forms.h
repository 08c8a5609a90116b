#pragma once
// Forms of the host platform over Qt dialogs: borderless modal windows whose
// events reach handlers bound by name, with key events split into a
// key-down event (virtual key code and modifier set) and a character event.
//
// Exceptions never cross Qt's event loop: every handler the toolkit runs is
// guarded; the silent abort is swallowed and any other failure goes to the
// application's exception handler.
#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <functional>

#include "orv00006/platform/export.h"

class QKeyEvent;

namespace plat {

using TObject = QObject;

// Modifier and mouse-button state of an input event.
enum TShiftStateFlag : unsigned {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
};
using TShiftState = unsigned;

// Virtual key codes the forms deliver.
enum VirtualKey : quint16 {
    VK_BACK = 8,
    VK_TAB = 9,
    VK_RETURN = 13,
    VK_SHIFT = 16,
    VK_CONTROL = 17,
    VK_MENU = 18,
    VK_ESCAPE = 27,
    VK_SPACE = 32,
    VK_PRIOR = 33,
    VK_NEXT = 34,
    VK_END = 35,
    VK_HOME = 36,
    VK_LEFT = 37,
    VK_UP = 38,
    VK_RIGHT = 39,
    VK_DOWN = 40,
    VK_INSERT = 45,
    VK_DELETE = 46,
    VK_NUMPAD0 = 96,
    VK_MULTIPLY = 106,
    VK_ADD = 107,
    VK_SUBTRACT = 109,
    VK_DECIMAL = 110,
    VK_DIVIDE = 111,
    VK_F1 = 112,
    VK_F4 = 115,
};

// Key code (0 when the key has none) and modifier set of a Qt key event.
PLATFORM_API quint16 VirtualKeyOf(const QKeyEvent& event);
PLATFORM_API TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

enum TCloseAction { caNone, caHide, caFree, caMinimize };

// The application's handling of failures that escape an event handler.
namespace Application {
using ExceptionHandler = std::function<void(const QString& message)>;
// Replaces the handler (empty restores the default, a modal message box).
PLATFORM_API void SetExceptionHandler(ExceptionHandler handler);
// Call inside a catch block: swallows the silent abort, reports the rest.
PLATFORM_API void HandleCurrentException() noexcept;

template <class F>
void Guarded(F&& f) noexcept {
    try {
        f();
    } catch (...) {
        HandleCurrentException();
    }
}
}  // namespace Application

// A modal message box over the active window. The box is owned here, not by
// that window: a host that destroys the window (or every top-level widget)
// while the box is up closes the box instead of freeing it under its own
// event loop. Returns once the box is gone.
PLATFORM_API void ShowMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text);

class PLATFORM_API TForm : public QDialog {
    Q_OBJECT
public:
    explicit TForm(QWidget* owner = nullptr);
    ~TForm() override;

    // How a modal run ended.
    enum class TModalEnd {
        Closed,     // by the form's own Close()
        Outside,    // hidden, accepted, rejected or its loop left from outside
        Destroyed,  // the form was destroyed during the run: do not touch it
    };
    // Shows the form centred on the screen and runs it modally until it
    // closes. The form may be gone when this returns (TModalEnd::Destroyed);
    // check the result before touching it.
    TModalEnd ShowModal();
    // Runs the close event; unless its action is caNone the modal run ends
    // (caFree also releases the form). Failures of the handler propagate.
    void Close();
    // Deferred destruction: the form is deleted once pending events are
    // handled; asked for during a modal run, once the run has ended.
    // Deleting it before that is safe; Qt drops the request.
    void Release();
    void Repaint();
    bool Modal() const { return modal_; }

Q_SIGNALS:
    void OnCreate(QObject* Sender);
    void OnActivate(QObject* Sender);
    void OnClose(QObject* Sender, plat::TCloseAction& Action);
    void OnKeyDown(QObject* Sender, quint16& Key, plat::TShiftState Shift);
    void OnKeyPress(QObject* Sender, QChar& Key);

protected:
    // Fires the create event; a form calls it once its layout is loaded.
    void DoCreate();
    // Whether a close request from outside (window manager, platform) may
    // close the form. Forms that close only through their own keys say no.
    virtual bool AcceptsSystemClose() const { return true; }

    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    bool modal_ = false;
    bool closedByForm_ = false;
    bool releaseAfterModal_ = false;
};

}  // namespace plat
