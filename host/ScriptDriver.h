#pragma once
// Drives a running dialog from a key script with real Qt input events, and
// records what the operator would have seen after each token.
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <vector>

class QWidget;

struct SetupRecord {
    bool seen = false;
    QString lblCabec, lblValor, lblCodTela, display, tipo;
    QStringList hidden;
};

struct StepRecord {
    QString input, display, tipo;
    bool open = false;
};

class ScriptDriver : public QObject {
    Q_OBJECT
public:
    // An empty script only records the set-up (interactive calls).
    ScriptDriver(QStringList keys, bool pressEscAtEnd, QString screenshot);

    // Runs the script once the dialog's modal loop turns; Disarm cancels a
    // run that never started (the call failed before showing the dialog).
    void Arm();
    void Disarm();

    SetupRecord setup;
    std::vector<StepRecord> steps;
    bool leftOpen = false;
    QStringList problems;  // tokens that could not be delivered, screenshot errors

    // Sends one token to the dialog as real input events.
    static bool Deliver(QWidget* dialog, const QString& token, QString* problem = nullptr);
    static QWidget* FindDialog();
    static QString Text(QWidget* dialog, const char* element);

private:
    void Run();
    void Snapshot(QWidget* dialog);

    QStringList keys_;
    bool pressEscAtEnd_;
    QString screenshot_;
    QTimer timer_;
    int attempts_ = 0;
};
