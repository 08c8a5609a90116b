// orv-bench: how fast the discount dialog opens, takes keys and closes, beside
// Qt's stock QInputDialog::getDouble in the same process, and what a whole
// pdv-host process costs beside a minimal stock program. Prints one table.
//
// First paint: the application's notify() sees every event. The first paint
// event a top-level window receives after the call starts marks the paint
// as begun; it is complete when the outermost event dispatch that contains
// it returns (an Expose or UpdateRequest: by then every child has painted and
// the backing store has been flushed to the window). The time from the call's
// entry to that moment is the figure; the scripted keys are posted from there.
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_TOGGLE_COLLECT
#define CALLGRIND_DUMP_STATS_AT(label)
#endif

#include "orv00006/dll/Mensagemvek.h"
#include "orv00006/loader.h"
#include "orv00006/orv00006.h"
#include "orv00006/platform/dbclient.h"
#include "orv00006/platform/forms.h"
#include "orv00006/platform/sysutils.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void Say(const char* text) {
    std::fprintf(stderr, "orv-bench: %s\n", text);
    std::fflush(stderr);
}

[[noreturn]] void Fail(const QString& why) {
    std::fprintf(stderr, "orv-bench: %s\n", why.toLocal8Bit().constData());
    std::exit(1);
}

// Median and 95th percentile (nearest rank) of a sample.
struct Stats {
    double median = NAN;
    double p95 = NAN;
    std::size_t n = 0;
};

Stats Summarize(std::vector<double> v) {
    Stats s;
    s.n = v.size();
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    s.p95 = v[static_cast<std::size_t>(std::ceil(0.95 * static_cast<double>(n))) - 1];
    return s;
}

// ------------------------------------------------------------ paint probe

class BenchApp : public QApplication {
public:
    using QApplication::QApplication;

    // Watches for the next first paint of a window; `then` is posted once it
    // has completed.
    void Arm(std::function<void()> then) {
        if (depth_ != 0) Fail(QStringLiteral("a call must start outside any event dispatch"));
        armed_ = true;
        sawPaint_ = false;
        painted_.reset();
        then_ = std::move(then);
    }
    std::optional<Clock::time_point> Painted() const { return painted_; }
    // Paints that were not inside any event: their completion cannot be told.
    int unnestedPaints = 0;
    // The outermost events whose dispatch completed a first paint, by type.
    std::map<int, int> completedIn;

    // Counts paint events a widget receives (the display label).
    void Watch(const QObject* w) {
        watched_ = w;
        watchedPaints = 0;
    }
    int watchedPaints = 0;

    bool notify(QObject* receiver, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            if (receiver == watched_) ++watchedPaints;
            if (armed_ && receiver->isWidgetType() && static_cast<QWidget*>(receiver)->isWindow()) {
                if (depth_ == 0) ++unnestedPaints;
                sawPaint_ = true;
            }
        }
        const int type = e->type();
        ++depth_;
        const bool handled = QApplication::notify(receiver, e);
        --depth_;
        if (armed_ && sawPaint_ && depth_ == 0) {
            painted_ = Clock::now();
            armed_ = false;
            ++completedIn[type];
            QMetaObject::invokeMethod(this, then_, Qt::QueuedConnection);
        }
        return handled;
    }

private:
    int depth_ = 0;
    bool armed_ = false;
    bool sawPaint_ = false;
    std::optional<Clock::time_point> painted_;
    std::function<void()> then_;
    const QObject* watched_ = nullptr;
};

void Key(QWidget* to, Qt::Key key, const QString& text) {
    QTest::sendKeyEvent(QTest::Click, to, key, text, Qt::NoModifier);
}

// The whole script of a call: four digits and Enter.
void TypeAndConfirm(QWidget* to) {
    for (const char digit : {'2', '0', '0', '0'})
        Key(to, static_cast<Qt::Key>(Qt::Key_0 + (digit - '0')), QString(QLatin1Char(digit)));
    Key(to, Qt::Key_Return, QStringLiteral("\r"));
}

// ------------------------------------------------------------ the module

// The module loaded as a host loads it; a failure ends the run.
struct Module : orv00006::Module {
    void Load(const QString& path) {
        if (const QString why = orv00006::Module::Load(path); !why.isEmpty()) Fail(why);
        initialize();
    }
    void Unload() {
        finalize();
        orv00006::Module::Unload();
    }
};

void WriteLimit(const QString& dir, double percent) {
    plat::TClientDataSet cds(QStringLiteral("parametros"));
    plat::TFloatField* f = cds.AddFloatField(QStringLiteral("VRMAXDESCONTO"));
    cds.CreateDataSet();
    cds.Insert();
    f->SetAsFloat(percent);
    cds.Post();
    cds.SaveToFile(dir + QStringLiteral("/PARAMETROSVEK.CDS"));
}

// The largest parameters file the module accepts (256 KiB) in `form`: the
// limit record first, then as many records as fit. Returns its size.
qint64 WriteLargestLimit(const QString& dir, double percent, plat::TDataPacketFormat form) {
    const QString path = dir + QStringLiteral("/PARAMETROSVEK.CDS");
    const auto write = [&](int rows) {
        plat::TClientDataSet cds(QStringLiteral("parametros"));
        plat::TFloatField* f = cds.AddFloatField(QStringLiteral("VRMAXDESCONTO"));
        plat::TStringField* d = cds.AddStringField(QStringLiteral("DESCRICAO"), 40);
        cds.CreateDataSet();
        for (int i = 0; i < rows; ++i) {
            cds.Insert();
            f->SetAsFloat(percent);
            d->SetAsString(QStringLiteral("Parâmetros da loja %1").arg(i));
            cds.Post();
        }
        cds.SaveToFile(path, form);
        return QFileInfo(path).size();
    };
    constexpr qint64 kBound = 256 * 1024;
    const qint64 perThousand = write(1000);
    int rows = static_cast<int>(kBound * 1000 / std::max<qint64>(perThousand, 1));
    qint64 size = write(rows);
    while (size > kBound && rows > 1) size = write(--rows);
    return size;
}

// The VALOR of a one-record result packet, or NaN.
double Valor(const plat::Variant& packet) {
    if (packet.Type() != plat::VarType::ByteArray) return NAN;
    plat::TClientDataSet cds(QStringLiteral("r"));
    cds.SetData(packet);
    if (cds.RecordCount() != 1) return NAN;
    cds.First();
    return cds.FieldByName(QStringLiteral("VALOR"))->AsFloat();
}

struct CallTimes {
    std::vector<double> paint, whole;
    double firstPaint = NAN, firstWhole = NAN;  // the process's very first call (ours)
};

// ------------------------------------------------------------ processes

struct ProcRun {
    bool ok = false;
    double wallMs = 0;
    double cpuMs = 0;  // user + system
    QString err;
};

// Spawns argv with stdout discarded and stderr kept; CPU time from wait4.
// (The child's peak resident set is read by the child itself: posix_spawn
// may use vfork, and the kernel then accounts the parent's resident set to
// the child.)
ProcRun Spawn(const QStringList& argv, const QString& errFile) {
    std::vector<QByteArray> bytes;
    for (const QString& a : argv) bytes.push_back(QFile::encodeName(a));
    std::vector<char*> args;
    for (QByteArray& b : bytes) args.push_back(b.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const QByteArray errPath = QFile::encodeName(errFile);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ProcRun r;
    pid_t pid = 0;
    const Clock::time_point t0 = Clock::now();
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return r;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return r;
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    r.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    r.wallMs = Ms(t0, Clock::now());
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    QFile f(errFile);
    if (f.open(QIODevice::ReadOnly)) r.err = QString::fromUtf8(f.readAll());
    return r;
}

// A "key=value" figure a process wrote on stderr (pdv-host --timing,
// orv-stock-minimal --peak); NaN when absent.
double Field(const QString& err, const QString& key) {
    static const QRegularExpression value(QStringLiteral("^[0-9.]+"));
    const QString prefix = key + QLatin1Char('=');
    const qsizetype at = err.indexOf(prefix);
    if (at < 0) return NAN;
    const QRegularExpressionMatch m = value.match(QStringView(err).mid(at + prefix.size()));
    return m.hasMatch() ? m.captured().toDouble() : NAN;
}

// CPU, cores, memory, load and date: figures mean little without them.
QString MachineLine() {
    QString cpu = QStringLiteral("unknown CPU");
    QString memory = QStringLiteral("? GiB");
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly | QIODevice::Text)) {
        for (const QByteArray& l : info.readAll().split('\n'))
            if (l.startsWith("model name")) {
                cpu = QString::fromUtf8(l.mid(l.indexOf(':') + 1).trimmed());
                break;
            }
    }
    QFile mem(QStringLiteral("/proc/meminfo"));
    if (mem.open(QIODevice::ReadOnly | QIODevice::Text)) {
        // "MemTotal:       24683444 kB"
        const QList<QByteArray> first = mem.readLine().simplified().split(' ');
        if (first.size() >= 2)
            memory = QString::number(first[1].toDouble() / 1048576.0, 'f', 1) + QStringLiteral(" GiB");
    }
    double load[1] = {NAN};
    getloadavg(load, 1);
    return QStringLiteral("%1, %2 cores, %3 RAM, load %4, %5")
        .arg(cpu)
        .arg(QThread::idealThreadCount())
        .arg(memory)
        .arg(load[0], 0, 'f', 2)
        .arg(QDateTime::currentDateTime().toString(Qt::ISODate));
}

QString Quote(const QString& s) { return QLatin1Char('\'') + s + QLatin1Char('\''); }

struct Options {
    int calls = 300;
    int warmUp = 30;
    int keys = 10000;
    int coldRuns = 20;
    bool cold = true;
    bool keystrokes = true;
    bool instructions = true;
    // The child run under callgrind: only the counted calls, then exit.
    bool countInstructions = false;
    QString module = QStringLiteral(ORV_MODULE_PATH);
    QString host = QStringLiteral(ORV_HOST_PATH);
    QString stock = QStringLiteral(ORV_STOCK_MINIMAL_PATH);
};

Options ParseArgs(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        const auto number = [&](int& into) {
            bool ok = false;
            if (i + 1 < argc) into = QString::fromLocal8Bit(argv[++i]).toInt(&ok);
            if (!ok || into < 1) Fail(QStringLiteral("%1 needs a positive number").arg(a));
        };
        if (a == QLatin1String("--calls"))
            number(o.calls);
        else if (a == QLatin1String("--warm-up"))
            number(o.warmUp);
        else if (a == QLatin1String("--keys"))
            number(o.keys);
        else if (a == QLatin1String("--cold-runs"))
            number(o.coldRuns);
        else if (a == QLatin1String("--no-cold"))
            o.cold = false;
        else if (a == QLatin1String("--no-keys"))
            o.keystrokes = false;
        else if (a == QLatin1String("--no-instructions"))
            o.instructions = false;
        else if (a == QLatin1String("--count-instructions"))
            o.countInstructions = true;
        else if (a == QLatin1String("--module") && i + 1 < argc)
            o.module = QString::fromLocal8Bit(argv[++i]);
        else if (a == QLatin1String("--help")) {
            std::printf(
                "usage: orv-bench [--calls N (300)] [--warm-up N (30)] [--keys N (10000)] [--cold-runs N (20)] "
                "[--no-keys] [--no-cold] [--no-instructions]\n"
                "Runs offscreen. In-process figures: the module loaded with dlopen, calls interleaved with\n"
                "QInputDialog::getDouble. Cold start: pdv-host and orv-stock-minimal as fresh processes\n"
                "(hyperfine when installed), and their peak resident memory. Instructions: this program\n"
                "again under valgrind's callgrind (when installed), counting only inside the two calls.\n");
            std::exit(0);
        } else
            Fail(QStringLiteral("unknown option %1").arg(a));
    }
    return o;
}

// ------------------------------------------------------------ instructions

// Calls counted per callgrind dump, and dumps per side.
constexpr int kCountedPerBlock = 10;
constexpr int kCountedBlocks = 4;

struct Instructions {
    double ours = NAN;
    double stock = NAN;
    QString note;  // why there is no figure
};

// Runs this program again under callgrind with collection off, in the mode
// that switches it on around each counted call and dumps a part per block
// ("ours" or "stock"); the warm cost of a call is a side's total over its
// calls. Instruction counts do not move with the machine's load or clock.
Instructions CountInstructions(const Options& opt) {
    Instructions r;
    const QString valgrind = QStandardPaths::findExecutable(QStringLiteral("valgrind"));
    if (valgrind.isEmpty()) {
        r.note = QStringLiteral("valgrind not installed (ORV_SETUP_BENCH=1 scripts/setup.sh)");
        return r;
    }
    QTemporaryDir out;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(valgrind,
            {QStringLiteral("--tool=callgrind"), QStringLiteral("--collect-atstart=no"),
             QStringLiteral("--callgrind-out-file=") + out.filePath(QStringLiteral("cg.out")),
             QStringLiteral("--quiet"), QCoreApplication::applicationFilePath(), QStringLiteral("--count-instructions"),
             QStringLiteral("--warm-up"), QString::number(opt.warmUp), QStringLiteral("--module"), opt.module});
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        r.note = QStringLiteral("the callgrind run failed");
        return r;
    }
    double total[2] = {0, 0};
    int parts[2] = {0, 0};
    for (const QFileInfo& f : QDir(out.path()).entryInfoList({QStringLiteral("cg.out*")}, QDir::Files)) {
        QFile file(f.filePath());
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
        int side = -1;
        double cost = NAN;
        for (const QByteArray& l : file.readAll().split('\n')) {
            if (l.startsWith("desc: Trigger: Client Request: ")) {
                const QByteArray label = l.mid(31).trimmed();
                side = label == "ours" ? 0 : label == "stock" ? 1 : -1;
            } else if (l.startsWith("totals: ") || (std::isnan(cost) && l.startsWith("summary: "))) {
                cost = l.mid(l.indexOf(' ') + 1).trimmed().split(' ').value(0).toDouble();
            }
        }
        if (side < 0 || std::isnan(cost)) continue;
        total[side] += cost;
        ++parts[side];
    }
    if (parts[0] != kCountedBlocks || parts[1] != kCountedBlocks) {
        r.note = QStringLiteral("callgrind wrote %1 and %2 parts, not %3 each")
                     .arg(parts[0])
                     .arg(parts[1])
                     .arg(kCountedBlocks);
        return r;
    }
    r.ours = total[0] / (kCountedBlocks * kCountedPerBlock);
    r.stock = total[1] / (kCountedBlocks * kCountedPerBlock);
    return r;
}

QString Fmt(double v, int decimals = 3) {
    return std::isnan(v) ? QStringLiteral("n/a") : QString::number(v, 'f', decimals);
}

}  // namespace

int main(int argc, char** argv) {
    const Options opt = ParseArgs(argc, argv);
    // The figures are for the offscreen platform; children inherit it.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform warns about every stock dialog it sizes; writing
    // that to the terminal would be timed as the stock dialog's work.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (text.contains(QLatin1String("propagateSizeHints")) || text.contains(QLatin1String("XDG_RUNTIME_DIR")))
            return;
        std::fprintf(stderr, "%s%s\n", type >= QtCriticalMsg ? "qt error: " : "qt: ", qPrintable(text));
    });
    BenchApp app(argc, argv);
    plat::SetDecimalSeparator(QLatin1Char(','));

    // The plain discount reads its limit (10 %) beside the program on every
    // call; the program directory is pointed at a scratch one that has it.
    QTemporaryDir scratch;
    if (!scratch.isValid()) Fail(QStringLiteral("no temporary directory"));
    WriteLimit(scratch.path(), 10);
    plat::OverrideProgramDir(scratch.path());

    QStringList shown;
    dll::SetMensagemPresenter([&shown](const dll::MensagemArgs& m) { shown << m.texto; });
    plat::Application::SetExceptionHandler([&shown](const QString& text) { shown << text; });

    Module module;
    const Clock::time_point loadStart = Clock::now();
    module.Load(opt.module);
    const double inProcessLoadMs = Ms(loadStart, Clock::now());
    // Copied: the table lives in the module, which is unloaded before printing.
    const QByteArray packageName = module.packageInfo()->name;
    const QByteArray packageVersion = module.packageInfo()->version;

    const plat::Variant params[] = {plat::Variant(), plat::Variant(QStringLiteral("Desconto")), plat::Variant(200.0),
                                    plat::Variant(0.0)};

    // One call of ours: entry to first paint, and entry to return.
    const auto ours = [&](CallTimes& t, bool keep) {
        plat::Variant result;
        app.Arm([] {
            if (QWidget* d = QApplication::activeModalWidget()) TypeAndConfirm(d);
        });
        const Clock::time_point t0 = Clock::now();
        module.criaDesconto(params, 3, result);
        const Clock::time_point t1 = Clock::now();
        if (!app.Painted()) Fail(QStringLiteral("our dialog returned without painting"));
        if (!shown.isEmpty()) Fail(QStringLiteral("unexpected message: %1").arg(shown.join(QLatin1Char('|'))));
        if (Valor(result) != 20.0) Fail(QStringLiteral("our call did not confirm 20,00"));
        if (std::isnan(t.firstPaint)) {
            t.firstPaint = Ms(t0, *app.Painted());
            t.firstWhole = Ms(t0, t1);
        }
        if (!keep) return;
        t.paint.push_back(Ms(t0, *app.Painted()));
        t.whole.push_back(Ms(t0, t1));
    };
    // One call of the stock dialog, typed into the same way.
    const auto stock = [&](CallTimes& t, bool keep) {
        app.Arm([] {
            QWidget* d = QApplication::activeModalWidget();
            QWidget* field = QApplication::focusWidget();
            if (d != nullptr) TypeAndConfirm(field != nullptr ? field : d);
        });
        bool ok = false;
        const Clock::time_point t0 = Clock::now();
        const double v =
            QInputDialog::getDouble(nullptr, QStringLiteral("Desconto"), QStringLiteral("Valor"), 0, 0, 1e9, 2, &ok);
        const Clock::time_point t1 = Clock::now();
        if (!app.Painted()) Fail(QStringLiteral("the stock dialog returned without painting"));
        if (!ok || v != 2000.0) Fail(QStringLiteral("the stock dialog did not accept 2000"));
        if (!keep) return;
        t.paint.push_back(Ms(t0, *app.Painted()));
        t.whole.push_back(Ms(t0, t1));
    };

    if (opt.countInstructions) {
        // Counted: the call itself and the deletion it leaves for the event
        // loop (ours releases its form after the modal run; the stock dialog
        // is deleted inside), nothing of the checks around it.
        const auto counted = [&](bool ourSide) {
            for (int i = 0; i < kCountedPerBlock; ++i) {
                plat::Variant result;
                bool ok = false;
                double v = 0;
                app.Arm([ourSide] {
                    QWidget* d = QApplication::activeModalWidget();
                    QWidget* field = ourSide ? nullptr : QApplication::focusWidget();
                    if (d != nullptr) TypeAndConfirm(field != nullptr ? field : d);
                });
                CALLGRIND_TOGGLE_COLLECT;
                if (ourSide)
                    module.criaDesconto(params, 3, result);
                else
                    v = QInputDialog::getDouble(nullptr, QStringLiteral("Desconto"), QStringLiteral("Valor"), 0, 0, 1e9,
                                                2, &ok);
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                CALLGRIND_TOGGLE_COLLECT;
                if (ourSide ? Valor(result) != 20.0 : (!ok || v != 2000.0))
                    Fail(QStringLiteral("a counted call did not confirm"));
            }
            if (ourSide) {
                CALLGRIND_DUMP_STATS_AT("ours");
            } else {
                CALLGRIND_DUMP_STATS_AT("stock");
            }
        };
        CallTimes unused;
        for (int i = 0; i < opt.warmUp; ++i) {
            ours(unused, false);
            stock(unused, false);
        }
        for (int b = 0; b < kCountedBlocks; ++b) {
            counted(b % 2 == 0);
            counted(b % 2 != 0);
        }
        dll::SetMensagemPresenter({});
        plat::Application::SetExceptionHandler({});
        module.Unload();
        return 0;
    }

    Say("in-process calls (ours and stock, interleaved)");
    CallTimes ourTimes, stockTimes;
    // Our first call comes first: it pays for what the process has not yet
    // touched (fonts, styles), and is shown on its own.
    for (int i = 0; i < opt.warmUp + opt.calls; ++i) {
        const bool keep = i >= opt.warmUp;
        // Under callgrind, count only the warm calls.
        if (i == opt.warmUp) CALLGRIND_ZERO_STATS;
        if (i % 2 == 0) {
            ours(ourTimes, keep);
            stock(stockTimes, keep);
        } else {
            stock(stockTimes, keep);
            ours(ourTimes, keep);
        }
    }

    // The largest parameters files the module accepts, read on every call.
    struct LargeFile {
        const char* what;
        plat::TDataPacketFormat form;
        qint64 bytes = 0;
        CallTimes times;
    };
    LargeFile largest[] = {{"first paint, largest parameters file (binary)", plat::TDataPacketFormat::dfBinary, 0, {}},
                           {"first paint, largest parameters file (XML)", plat::TDataPacketFormat::dfXML, 0, {}}};
    Say("calls with the largest accepted parameters files");
    for (LargeFile& f : largest) {
        f.bytes = WriteLargestLimit(scratch.path(), 10, f.form);
        for (int i = 0; i < 2 + std::max(opt.calls / 10, 10); ++i) ours(f.times, i >= 2);
    }
    WriteLimit(scratch.path(), 10);

    // Keystrokes: one dialog, digits typed in runs of ten and taken back with
    // Backspace so the twelve-digit cap never swallows one. Each digit is
    // timed twice: handled (the display's text set), and handled plus the
    // repaint of what changed, flushed as the next event-loop turn would.
    std::vector<double> keyHandled, keyPainted;
    int keysWithoutPaint = 0;
    if (opt.keystrokes) {
        Say("keystrokes");
        plat::Variant result;
        app.Arm([&] {
            QWidget* d = QApplication::activeModalWidget();
            if (d == nullptr) return;
            QWidget* display = d->findChild<QWidget*>(QStringLiteral("lblDadoDigitado"));
            if (display == nullptr) Fail(QStringLiteral("no display element"));
            app.Watch(display);
            const int warm = 200;
            int typed = 0;
            for (int k = 0; typed < opt.keys; ++k) {
                const char digit = static_cast<char>('1' + k % 9);
                const int paintsBefore = app.watchedPaints;
                const Clock::time_point t0 = Clock::now();
                Key(d, static_cast<Qt::Key>(Qt::Key_0 + (digit - '0')), QString(QLatin1Char(digit)));
                const Clock::time_point t1 = Clock::now();
                QCoreApplication::sendPostedEvents(d, QEvent::UpdateRequest);
                const Clock::time_point t2 = Clock::now();
                if (d->property("stDigitos").toString().size() != k % 10 + 1 ||
                    !display->property("Caption").toString().endsWith(QLatin1Char(digit)))
                    Fail(QStringLiteral("a digit did not reach the display"));
                if (app.watchedPaints == paintsBefore) ++keysWithoutPaint;
                if (k >= warm) {
                    keyHandled.push_back(Ms(t0, t1));
                    keyPainted.push_back(Ms(t0, t2));
                    ++typed;
                }
                if (k % 10 == 9)
                    for (int b = 0; b < 10; ++b) Key(d, Qt::Key_Backspace, QStringLiteral("\b"));
            }
            app.Watch(nullptr);
            Key(d, Qt::Key_Escape, QStringLiteral("\x1b"));
        });
        module.criaDesconto(params, 3, result);
    }

    // Cold start and peak memory: fresh processes from a directory laid out
    // as a host ships (host, libraries, module and parameters file).
    struct Cold {
        Stats hostWall, stockWall, hostSpawnWall, stockSpawnWall, hostCpu, stockCpu, hostLoad, hostApp, hostCall,
            stockCall, hostTotal;
        double hostPeak = NAN, stockPeak = NAN;
        QString method;
    } cold;
    if (opt.cold) {
        Say("cold start (fresh processes)");
        QTemporaryDir shipDir;
        const QString ship = shipDir.path();
        const QString binDir = QFileInfo(opt.host).absolutePath();
        for (const QString& f :
             {QStringLiteral("pdv-host"), QStringLiteral("PKG_ORV00006.so"), QStringLiteral("libplatform_runtime.so.1"),
              QStringLiteral("libplatform.so.1"), QStringLiteral("lib_dll.so.2")})
            if (!QFile::copy(binDir + QLatin1Char('/') + f, ship + QLatin1Char('/') + f))
                Fail(QStringLiteral("cannot copy %1").arg(f));
        QFile::copy(opt.stock, ship + QStringLiteral("/orv-stock-minimal"));
        WriteLimit(ship, 10);
        const QStringList hostCmd{ship + QStringLiteral("/pdv-host"),
                                  QStringLiteral("--kind"),
                                  QStringLiteral("Desconto"),
                                  QStringLiteral("--base"),
                                  QStringLiteral("200"),
                                  QStringLiteral("--decimal-separator"),
                                  QStringLiteral(","),
                                  QStringLiteral("--keys"),
                                  QStringLiteral("2 0 0 0 Enter")};
        const QStringList stockCmd{ship + QStringLiteral("/orv-stock-minimal")};
        const QStringList stockPeakCmd = stockCmd + QStringList{QStringLiteral("--peak")};

        std::vector<double> hw, sw, hc, sc, load, appMs, call, stockCall, total, hr, sr;
        const QString errFile = scratch.filePath(QStringLiteral("stderr.txt"));
        for (int i = 0; i < opt.coldRuns + 3; ++i) {
            const ProcRun h = Spawn(hostCmd + QStringList{QStringLiteral("--timing")}, errFile);
            if (!h.ok) Fail(QStringLiteral("pdv-host failed: %1").arg(h.err));
            const ProcRun s = Spawn(stockPeakCmd, errFile);
            if (!s.ok) Fail(QStringLiteral("orv-stock-minimal failed: %1").arg(s.err));
            if (i < 3) continue;  // page cache and font cache warm
            hw.push_back(h.wallMs);
            sw.push_back(s.wallMs);
            hc.push_back(h.cpuMs);
            sc.push_back(s.cpuMs);
            load.push_back(Field(h.err, QStringLiteral("load_ms")));
            appMs.push_back(Field(h.err, QStringLiteral("app_ms")));
            call.push_back(Field(h.err, QStringLiteral("first_call_ms")));
            stockCall.push_back(Field(s.err, QStringLiteral("first_call_ms")));
            total.push_back(Field(h.err, QStringLiteral("total_ms")));
            hr.push_back(Field(h.err, QStringLiteral("vmhwm_kib")));
            sr.push_back(Field(s.err, QStringLiteral("vmhwm_kib")));
        }
        cold.hostLoad = Summarize(load);
        cold.hostApp = Summarize(appMs);
        cold.hostCall = Summarize(call);
        cold.stockCall = Summarize(stockCall);
        cold.hostTotal = Summarize(total);
        cold.hostPeak = Summarize(hr).median;
        cold.stockPeak = Summarize(sr).median;
        cold.hostWall = cold.hostSpawnWall = Summarize(hw);
        cold.stockWall = cold.stockSpawnWall = Summarize(sw);
        cold.hostCpu = Summarize(hc);
        cold.stockCpu = Summarize(sc);
        cold.method = QStringLiteral("posix_spawn + wait4, %1 runs").arg(opt.coldRuns);

        const QString hyperfine = QStandardPaths::findExecutable(QStringLiteral("hyperfine"));
        if (!hyperfine.isEmpty()) {
            const QString json = scratch.filePath(QStringLiteral("hyperfine.json"));
            QStringList quoted;
            for (const QString& a : hostCmd) quoted << Quote(a);
            QProcess hf;
            hf.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            hf.start(hyperfine, {QStringLiteral("-N"), QStringLiteral("--warmup"), QStringLiteral("3"),
                                 QStringLiteral("--runs"), QString::number(opt.coldRuns), QStringLiteral("--style"),
                                 QStringLiteral("none"), QStringLiteral("--export-json"), json, QStringLiteral("-n"),
                                 QStringLiteral("pdv-host"), quoted.join(QLatin1Char(' ')), QStringLiteral("-n"),
                                 QStringLiteral("stock"), Quote(stockCmd[0])});
            hf.waitForFinished(600000);
            QFile f(json);
            if (hf.exitCode() == 0 && f.open(QIODevice::ReadOnly)) {
                const QJsonArray results =
                    QJsonDocument::fromJson(f.readAll()).object()[QStringLiteral("results")].toArray();
                const auto stats = [](const QJsonObject& r) {
                    std::vector<double> t;
                    for (const auto& x : r[QStringLiteral("times")].toArray()) t.push_back(x.toDouble() * 1000);
                    return Summarize(t);
                };
                if (results.size() == 2) {
                    cold.hostWall = stats(results[0].toObject());
                    cold.stockWall = stats(results[1].toObject());
                    cold.method = QStringLiteral("hyperfine -N, %1 runs after 3 warm-up").arg(opt.coldRuns);
                }
            } else {
                Say("hyperfine failed; wall times from posix_spawn + wait4");
            }
        }
    }

    const QFileInfo moduleFile(opt.module);
    qint64 stripped = -1;
    if (const QString strip = QStandardPaths::findExecutable(QStringLiteral("strip")); !strip.isEmpty()) {
        const QString out = scratch.filePath(QStringLiteral("stripped.so"));
        if (QProcess::execute(strip, {QStringLiteral("--strip-all"), QStringLiteral("-o"), out, opt.module}) == 0)
            stripped = QFileInfo(out).size();
    }
    dll::SetMensagemPresenter({});
    plat::Application::SetExceptionHandler({});
    module.Unload();

    Instructions counted;
    if (opt.instructions) {
        Say("instructions (the calls again, under callgrind)");
        counted = CountInstructions(opt);
    }

    // ---------------------------------------------------------------- table
    const Stats op = Summarize(ourTimes.paint), ow = Summarize(ourTimes.whole);
    const Stats sp = Summarize(stockTimes.paint), sw = Summarize(stockTimes.whole);
    const Stats kh = Summarize(keyHandled), kp = Summarize(keyPainted);
    const auto verdict = [](bool met) { return met ? "met" : "MISSED"; };
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : NAN; };
    const auto line = [](const char* what, const QString& a, const QString& b, const QString& c, const char* aim,
                         const char* ok) {
        std::printf("%-46s %11s %11s %11s %8s  %s\n", what, qPrintable(a), qPrintable(b), qPrintable(c), aim, ok);
    };

    std::printf("orv-bench: %s %s, offscreen; %s\n", packageName.constData(), packageVersion.constData(),
                qPrintable(MachineLine()));
    std::printf("%d calls each after %d warm-up, ours and stock interleaved; %d keystrokes\n\n", opt.calls, opt.warmUp,
                opt.keystrokes ? opt.keys : 0);
    line("in-process call (ms)", QStringLiteral("ours"), QStringLiteral("stock"), QStringLiteral("ours/stock"), "aim",
         "");
    const auto row = [&](const char* what, double a, double b, const char* aim, const char* ok) {
        line(what, Fmt(a), Fmt(b), Fmt(ratio(a, b), 2), aim, ok);
    };
    row("entry -> first paint, median", op.median, sp.median, "< 1 ms", verdict(op.median < 1.0));
    row("entry -> first paint, p95", op.p95, sp.p95, "", "");
    row("whole call (open, 4 digits, Enter), median", ow.median, sw.median, "<= 1.0x", verdict(ow.median <= sw.median));
    if (opt.instructions) {
        const QString figure =
            std::isnan(counted.ours) ? counted.note : Fmt(counted.ours / 1e6, 2) + QStringLiteral(" M");
        line("instructions per warm whole call (callgrind)", figure,
             std::isnan(counted.stock) ? QString() : Fmt(counted.stock / 1e6, 2) + QStringLiteral(" M"),
             Fmt(ratio(counted.ours, counted.stock), 3), "<= 0.9x",
             std::isnan(counted.ours) ? "" : verdict(counted.ours <= 0.9 * counted.stock));
    }
    row("whole call, p95", ow.p95, sw.p95, "", "");
    for (const LargeFile& f : largest) {
        // The slowest call counts: none may keep the operator waiting.
        const double slowest = *std::max_element(f.times.paint.begin(), f.times.paint.end());
        line(f.what, Fmt(slowest), QStringLiteral("%1 KiB").arg(f.bytes / 1024), {}, "< 100 ms",
             verdict(slowest < 100.0));
    }
    // The stock dialog's first call comes after ours and finds fonts and
    // styles loaded, so only ours is shown; whole processes compare below.
    line("first call of the process: first paint", Fmt(ourTimes.firstPaint), {}, {}, "", "");
    line("first call of the process: whole call", Fmt(ourTimes.firstWhole), {}, {}, "", "");
    line("module dlopen + Initialize, in-process", Fmt(inProcessLoadMs), {}, {}, "", "");
    {
        QStringList where;
        for (const auto& [type, count] : app.completedIn)
            where << QStringLiteral("%1 x%2")
                         .arg(type == QEvent::Expose          ? QStringLiteral("Expose")
                              : type == QEvent::UpdateRequest ? QStringLiteral("UpdateRequest")
                                                              : QStringLiteral("event type %1").arg(type))
                         .arg(count);
        std::printf("  first paints completed in the dispatch of: %s\n", qPrintable(where.join(QStringLiteral(", "))));
        if (app.unnestedPaints > 0)
            std::printf("  warning: %d first paints happened outside any event; their completion is approximate\n",
                        app.unnestedPaints);
    }

    if (opt.keystrokes) {
        std::printf("\n");
        line("keystroke, one digit (ms)", QStringLiteral("median"), QStringLiteral("p95"), {}, "aim", "");
        line("handled: display text set", Fmt(kh.median, 4), Fmt(kh.p95, 4), {}, "< 0.1", verdict(kh.median < 0.1));
        line("handled + display repainted and flushed", Fmt(kp.median, 4), Fmt(kp.p95, 4), {}, "< 0.1",
             verdict(kp.median < 0.1));
        if (keysWithoutPaint > 0) std::printf("  warning: %d keystrokes repainted nothing\n", keysWithoutPaint);
    }

    if (opt.cold) {
        std::printf("\n");
        line("whole process, median", QStringLiteral("pdv-host"), QStringLiteral("stock min."), QStringLiteral("ratio"),
             "aim", "");
        line("cold start: start -> scripted confirm -> exit", Fmt(cold.hostWall.median, 1) + QStringLiteral(" ms"),
             Fmt(cold.stockWall.median, 1) + QStringLiteral(" ms"),
             Fmt(ratio(cold.hostWall.median, cold.stockWall.median), 2), "<= 1.5x",
             verdict(cold.hostWall.median <= 1.5 * cold.stockWall.median));
        line("  the same, runs alternating (posix_spawn)", Fmt(cold.hostSpawnWall.median, 1) + QStringLiteral(" ms"),
             Fmt(cold.stockSpawnWall.median, 1) + QStringLiteral(" ms"),
             Fmt(ratio(cold.hostSpawnWall.median, cold.stockSpawnWall.median), 2), "", "");
        line("CPU time of that process (user + system)", Fmt(cold.hostCpu.median, 1) + QStringLiteral(" ms"),
             Fmt(cold.stockCpu.median, 1) + QStringLiteral(" ms"),
             Fmt(ratio(cold.hostCpu.median, cold.stockCpu.median), 2), "", "");
        line("  QApplication constructed", Fmt(cold.hostApp.median) + QStringLiteral(" ms"), {}, {}, "", "");
        line("  module loaded (dlopen + Initialize)", Fmt(cold.hostLoad.median) + QStringLiteral(" ms"), {}, {}, "",
             "");
        line("  the call (first of its process)", Fmt(cold.hostCall.median) + QStringLiteral(" ms"),
             Fmt(cold.stockCall.median) + QStringLiteral(" ms"),
             Fmt(ratio(cold.hostCall.median, cold.stockCall.median), 2), "<= 1.0x",
             verdict(cold.hostCall.median <= cold.stockCall.median));
        line("  main() entry -> return, as the host timed it", Fmt(cold.hostTotal.median) + QStringLiteral(" ms"), {},
             {}, "", "");
        line("peak resident memory (VmHWM)", Fmt(cold.hostPeak, 0) + QStringLiteral(" KiB"),
             Fmt(cold.stockPeak, 0) + QStringLiteral(" KiB"), Fmt(ratio(cold.hostPeak, cold.stockPeak), 2), "<= 1.2x",
             verdict(cold.hostPeak <= 1.2 * cold.stockPeak));
        std::printf(
            "  first row: %s; the rest: medians of %d runs of each, alternating,\n"
            "  CPU time from wait4, VmHWM read by each process before it exits\n",
            qPrintable(cold.method), opt.coldRuns);
    }
    std::printf("\n%-46s %lld bytes as built (with debug info)", "module file size",
                static_cast<long long>(moduleFile.size()));
    if (stripped >= 0) std::printf(", %lld stripped", static_cast<long long>(stripped));
    std::printf("\n");
    return 0;
}
