// The smallest program a C++ developer would write to ask for one amount
// with Qt's stock dialog: shown once, typed into, accepted. The benchmark's
// baseline for a whole process (start-up time and peak memory).
#include <QApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QTimer>

#include <chrono>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Click(QWidget* to, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(to, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(to, &release);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    // Types 2 0 0 0 Enter once the dialog holds the focus, as pdv-host's
    // script types into its dialog; gives up after a few hundred turns.
    QTimer script;
    script.setInterval(0);
    int turns = 0;
    QObject::connect(&script, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        QWidget* field = QApplication::focusWidget();
        if (dialog == nullptr || field == nullptr) {
            if (++turns > 500) script.stop();
            return;
        }
        script.stop();
        for (const char digit : {'2', '0', '0', '0'})
            Click(field, Qt::Key_0 + (digit - '0'), QString(QLatin1Char(digit)));
        Click(field, Qt::Key_Return, QStringLiteral("\r"));
    });
    script.start();

    bool ok = false;
    const auto started = std::chrono::steady_clock::now();
    const double value =
        QInputDialog::getDouble(nullptr, QStringLiteral("Desconto"), QStringLiteral("Valor"), 0, 0, 1e9, 2, &ok);
    const std::chrono::duration<double, std::milli> call = std::chrono::steady_clock::now() - started;
    // --peak: the process's peak resident set and its one call's time, as
    // pdv-host --timing reports them.
    if (argc > 1 && std::strcmp(argv[1], "--peak") == 0) {
        std::fprintf(stderr, "orv-stock-minimal: first_call_ms=%.3f\n", call.count());
        if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
            char line[256];
            while (std::fgets(line, sizeof line, status) != nullptr)
                if (std::strncmp(line, "VmHWM:", 6) == 0)
                    std::fprintf(stderr, "orv-stock-minimal: vmhwm_kib=%lld\n", std::atoll(line + 6));
            std::fclose(status);
        }
    }
    return ok && value == 2000.0 ? 0 : 1;
}
