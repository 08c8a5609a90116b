#pragma once
// Recording stand-ins for what a test cannot look at on a screen: operator
// messages and failures reported by the event loop.
#include <QImage>
#include <QStringList>
#include <QWidget>

class Recorder {
public:
    Recorder();   // installs the recording presenter and exception handler
    ~Recorder();  // restores the defaults
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    QStringList messages;  // texts shown through Mensagem
    QStringList errors;    // texts of failures that escaped a handler
};

// The widget's client area as drawn, at device pixel ratio 1.
QImage Grab(QWidget* w);

// For a fixture's TearDown: once pending deferred deletions have run, every
// top-level widget still alive fails the running test, named by class and
// object name; they are then deleted so that the next test starts clean.
void ExpectNoTopLevelWidgetsLeft();
