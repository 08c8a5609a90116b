// Hostile input through the loaded module, where pdv-host cannot express
// the case: every prefix of a parameters file, keys arriving while a refusal
// is on screen, input queued behind the key that closes the dialog, re-entry,
// and parameter values the host's command line has no form for.
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "CaseName.h"
#include "DecimalSeparatorGuard.h"
#include "Expect.h"
#include "GuiTestSupport.h"
#include "LoadedModule.h"
#include "ParametersFiles.h"
#include "ScriptDriver.h"
#include "orv00006/dll/Mensagemvek.h"
#include "orv00006/orv00006.h"
#include "orv00006/platform/dbclient.h"
#include "orv00006/platform/forms.h"
#include "orv00006/platform/sysutils.h"

using plat::Variant;

namespace hardening {
namespace {

using Module = LoadedModule;

const char* const kJaAberta = "A tela de desconto já está aberta; conclua-a antes de abrir outra.";
const QString kRecusa20 = QStringLiteral(
    "Operação bloqueada. Valor de desconto maior que percentual máximo permitido.\r\n\r\n"
    "Valor restante permitido: $20,00");

// A key as the window system would queue it for the dialog.
void PostKey(QWidget* dialog, const QString& token) {
    struct Key {
        const char* token;
        Qt::Key key;
        const char* text;
    };
    static const Key keys[] = {{"Enter", Qt::Key_Return, "\r"},
                               {"Esc", Qt::Key_Escape, "\x1b"},
                               {"Backspace", Qt::Key_Backspace, "\b"},
                               {"Delete", Qt::Key_Delete, "\x7f"}};
    Qt::Key key = Qt::Key_unknown;
    QString text;
    for (const Key& k : keys)
        if (token == QLatin1String(k.token)) key = k.key, text = QString::fromLatin1(k.text);
    if (token.size() == 1 && token[0].isDigit())
        key = static_cast<Qt::Key>(Qt::Key_0 + token[0].digitValue()), text = token;
    ASSERT_NE(key, Qt::Key_unknown) << token.toStdString();
    QCoreApplication::postEvent(dialog, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    QCoreApplication::postEvent(dialog, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
}

QStringList Tokens(const char* keys) { return QString::fromLatin1(keys).split(QLatin1Char(' '), Qt::SkipEmptyParts); }

std::vector<Record> Records(const Variant& packet) {
    std::vector<Record> out;
    plat::TClientDataSet cds(QStringLiteral("resultado"));
    cds.SetData(packet);
    for (cds.First(); !cds.Eof(); cds.Next())
        out.push_back(
            {cds.FieldByName(QStringLiteral("TIPO"))->AsString(), cds.FieldByName(QStringLiteral("VALOR"))->AsFloat()});
    return out;
}

// "unchanged" (the host's marker is still there), "unassigned", "packet".
QString State(const Variant& result, const Variant& marker) {
    if (result == marker) return QStringLiteral("unchanged");
    if (result.IsEmpty()) return QStringLiteral("unassigned");
    if (result.Type() == plat::VarType::ByteArray) return QStringLiteral("packet");
    return QStringLiteral("other: ") + result.Describe();
}

// The call's four elements.
std::vector<Variant> CallParams(const Variant& kind, const Variant& base, const Variant& applied) {
    return {Variant(), kind, base, applied};
}

class HardeningModule : public ::testing::Test {
protected:
    void SetUp() override {
        Module& m = Module::Get();
        ASSERT_TRUE(m.module.IsLoaded()) << m.error.toStdString();
        ASSERT_TRUE(m.initialize && m.finalize && m.cria && m.frmDesc && m.boCriado06);
        ASSERT_TRUE(dir_.isValid());
        plat::OverrideProgramDir(dir_.path());
        dll::SetMensagemPresenter([this](const dll::MensagemArgs& a) {
            messages_ << a.texto;
            if (onMessage_) onMessage_(a);
        });
        plat::Application::SetExceptionHandler([this](const QString& text) { errors_ << text; });
        m.initialize();
    }
    void TearDown() override {
        dll::SetMensagemPresenter({});
        plat::Application::SetExceptionHandler({});
        plat::OverrideProgramDir(QString());
        Module::Get().finalize();
        ExpectNoTopLevelWidgetsLeft();
    }

    QString ParametersFile() const { return dir_.filePath(QStringLiteral("PARAMETROSVEK.CDS")); }

    static std::vector<Variant> Params(const Variant& kind, const Variant& base, const Variant& applied) {
        return CallParams(kind, base, applied);
    }

    // One call driven by `keys`; Esc is pressed if the dialog is still open
    // after them.
    Variant Call(const std::vector<Variant>& params, int high, const QStringList& keys) {
        messages_.clear();
        errors_.clear();
        driver_ = std::make_unique<ScriptDriver>(keys, true, QString());
        driver_->Arm();
        Variant result = marker_;
        Module::Get().cria(params.empty() ? nullptr : params.data(), high, result);
        driver_->Disarm();
        return result;
    }

    // Runs `act` on the dialog once the modal run shows it.
    static void WhenShown(std::function<void(QWidget*)> act) {
        auto* timer = new QTimer;
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act), tries = 0]() mutable {
            QWidget* dialog = ScriptDriver::FindDialog();
            if (dialog == nullptr && ++tries < 100) return;
            timer->stop();
            timer->deleteLater();
            if (dialog != nullptr) act(dialog);
        });
        timer->start();
    }

    void ExpectNoDialogLeft() {
        EXPECT_EQ(*Module::Get().frmDesc, nullptr);
        EXPECT_FALSE(*Module::Get().boCriado06);
        EXPECT_EQ(LiveDialogs(), 0);
    }

    DecimalSeparatorGuard separator_{QLatin1Char(',')};
    QTemporaryDir dir_;
    QStringList messages_;
    QStringList errors_;
    std::function<void(const dll::MensagemArgs&)> onMessage_;
    std::unique_ptr<ScriptDriver> driver_;
    const Variant marker_{QStringLiteral("marca do host")};
};

// Every prefix of a valid parameters file is refused with a message naming
// the file, in both packet forms; the whole file works.
class ParametersFileCuts : public HardeningModule, public ::testing::WithParamInterface<const char*> {};

TEST_P(ParametersFileCuts, EveryCutOfAValidParametersFileIsRefusedNamingTheFile) {
    const char* sample = GetParam();
    const QString prefix = QStringLiteral("cdsParametrosVek: erro ao ler o arquivo '%1': ").arg(ParametersFile());
    const QByteArray bytes = Sample(sample);
    ASSERT_GT(bytes.size(), 100);
    QStringList wrong;
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        ASSERT_TRUE(WriteBytes(ParametersFile(), bytes.left(n)));
        const Variant result = Call(Params(Variant("Desconto"), 200.0, 0.0), 3, {QStringLiteral("Enter")});
        const QString what = QStringLiteral("%1 bytes: ").arg(n);
        if (messages_.size() != 1 || !messages_[0].startsWith(prefix) || messages_[0].size() <= prefix.size())
            wrong << what + messages_.join(QStringLiteral(" | "));
        if (!(result == marker_)) wrong << what + QStringLiteral("result ") + State(result, marker_);
        if (driver_->setup.seen) wrong << what + QStringLiteral("the dialog was shown");
        if (*Module::Get().frmDesc != nullptr || *Module::Get().boCriado06 || LiveDialogs() != 0)
            wrong << what + QStringLiteral("a dialog was left behind");
    }
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QLatin1Char('\n')).toStdString();

    ASSERT_TRUE(WriteBytes(ParametersFile(), bytes));
    const Variant whole = Call(Params(Variant("Desconto"), 200.0, 0.0), 3, Tokens("2 0 0 1 Enter Backspace Enter"));
    EXPECT_EQ(messages_, QStringList{kRecusa20});
    ASSERT_EQ(State(whole, marker_), QStringLiteral("packet"));
    EXPECT_EQ(Records(whole), (std::vector<Record>{{QStringLiteral("V"), 2}}));
    ExpectNoDialogLeft();
}

INSTANTIATE_TEST_SUITE_P(Samples, ParametersFileCuts,
                         ::testing::Values("PARAMETROSVEK-binary.CDS", "PARAMETROSVEK-xml.CDS"),
                         [](const auto& row) { return CaseName(row.param); });

// A refusal is on screen (the presenter is "showing" it) and more keys reach
// the dialog: delivered at once, or queued and handled by the message's own
// event loop. Whatever they do, the call ends with one consistent decision.
struct RefusalCase {
    const char* what;
    const char* during;  // keys reaching the dialog during the first refusal
    bool queued;         // posted and handled by a nested event loop
    const char* after;   // keys after the refusal returned
    int messages;
    const char* state;
    std::vector<Record> records;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.what; }

std::vector<RefusalCase> RefusalCases() {
    return {
        {"correction, then confirm after", "Backspace", false, "Enter", 1, "packet", {{"V", 2}}},
        {"correction and confirm inside", "Backspace Enter", false, "Enter", 1, "packet", {{"V", 2}}},
        {"cancel inside", "Esc", false, "Enter", 1, "packet", {}},
        {"clear and confirm inside", "Delete Enter", false, "5 Enter", 1, "unassigned", {}},
        {"confirm again inside: refused again", "Enter", false, "Esc", 2, "packet", {}},
        {"more digits inside", "9", false, "Backspace Backspace Enter", 1, "packet", {{"V", 2}}},
        {"mode switch inside", "Alt+P Delete 1 0 Enter", false, "", 1, "packet", {{"P", 0.1}}},
        {"queued: correction and confirm", "Backspace Enter", true, "Enter", 1, "packet", {{"V", 2}}},
        {"queued: cancel", "Esc", true, "Enter", 1, "packet", {}},
        {"queued: cancel, then confirm", "Esc Backspace Enter", true, "", 1, "packet", {}},
        {"queued: confirm again", "Enter", true, "Esc", 2, "packet", {}},
    };
}

class KeysDuringRefusal : public HardeningModule, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(KeysDuringRefusal, KeysArrivingWhileARefusalIsShown) {
    const RefusalCase& c = GetParam();
    files::Limit(10)(ParametersFile());
    bool injected = false;
    onMessage_ = [&](const dll::MensagemArgs&) {
        if (injected) return;  // only the first refusal
        injected = true;
        QWidget* dialog = ScriptDriver::FindDialog();
        ASSERT_NE(dialog, nullptr);
        if (!c.queued) {
            for (const QString& t : Tokens(c.during)) ScriptDriver::Deliver(dialog, t);
            return;
        }
        // A message box runs its own loop while it is shown: input queued
        // for the dialog is handled there, and so is whatever else is
        // pending by then (such as the dialog's release after a close).
        for (const QString& t : Tokens(c.during)) PostKey(dialog, t);
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    };
    QStringList keys = Tokens("2 0 0 1 Enter");
    keys += Tokens(c.after);
    const Variant result = Call(Params(Variant("Desconto"), 200.0, 0.0), 3, keys);
    onMessage_ = nullptr;
    EXPECT_TRUE(injected);
    ASSERT_EQ(messages_.size(), c.messages) << messages_.join(QStringLiteral(" | ")).toStdString();
    for (const QString& m : messages_) EXPECT_EQ(m, kRecusa20);
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(State(result, marker_), QString::fromLatin1(c.state));
    if (result.Type() == plat::VarType::ByteArray) {
        EXPECT_EQ(Records(result), c.records);
    }
    EXPECT_FALSE(driver_->leftOpen);
    ExpectNoDialogLeft();
}

INSTANTIATE_TEST_SUITE_P(Cases, KeysDuringRefusal, ::testing::ValuesIn(RefusalCases()),
                         [](const auto& row) { return CaseName(row.param.what); });

// Input that reaches the dialog after the key that closed it, queued in the
// same burst or sent straight to it, must not change the decision.
struct ClosingCase {
    const char* what;
    const char* keys;
    int messages;
    const char* state;
    std::vector<Record> records;
};

// A closing case, with its input queued in the same burst or sent straight
// to the dialog.
struct BehindCase {
    ClosingCase c;
    bool queued;
};

void PrintTo(const BehindCase& b, std::ostream* os) { *os << b.c.what << (b.queued ? " (queued)" : " (sent)"); }

std::vector<BehindCase> BehindCases() {
    const ClosingCase cases[] = {
        {"Enter twice", "5 Enter Enter", 0, "packet", {{"V", 0.05}}},
        {"Enter, digit, Enter", "5 Enter 7 Enter", 0, "packet", {{"V", 0.05}}},
        {"Esc, then Enter", "5 Esc Enter", 0, "packet", {}},
        {"Enter, then Esc", "5 Enter Esc", 0, "packet", {{"V", 0.05}}},
        {"empty Enter, then digits and Enter", "Delete Enter 5 Enter", 0, "unassigned", {}},
        {"refused Enter twice, then Esc", "2 0 0 1 Enter Enter Esc", 2, "packet", {}},
        // Taps reach the keys straight away; there is nothing to queue.
        {"Enter, then a tap on cancel", "5 Enter click:sbtCancelar", 0, "packet", {{"V", 0.05}}},
        {"Esc, then a tap on confirm", "5 Esc click:sbtEnter", 0, "packet", {}},
    };
    std::vector<BehindCase> out;
    for (const bool queued : {true, false})
        for (const ClosingCase& c : cases) {
            // Taps cannot be queued.
            if (queued && QByteArray(c.keys).contains("click:")) continue;
            out.push_back({c, queued});
        }
    return out;
}

class InputBehind : public HardeningModule, public ::testing::WithParamInterface<BehindCase> {};

TEST_P(InputBehind, InputBehindTheClosingKeyChangesNothing) {
    const ClosingCase& c = GetParam().c;
    const bool queued = GetParam().queued;
    files::Limit(10)(ParametersFile());
    messages_.clear();
    errors_.clear();
    WhenShown([&](QWidget* dialog) {
        if (queued) {
            for (const QString& t : Tokens(c.keys)) PostKey(dialog, t);
            return;
        }
        // Straight to the widget, whether it is still shown or not.
        for (const QString& t : Tokens(c.keys)) ScriptDriver::Deliver(dialog, t);
    });
    Variant result = marker_;
    const auto params = Params(Variant("Desconto"), 200.0, 0.0);
    Module::Get().cria(params.data(), 3, result);
    EXPECT_EQ(messages_.size(), c.messages) << messages_.join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(State(result, marker_), QString::fromLatin1(c.state));
    if (result.Type() == plat::VarType::ByteArray) {
        EXPECT_EQ(Records(result), c.records);
    }
    ExpectNoDialogLeft();
}

INSTANTIATE_TEST_SUITE_P(Cases, InputBehind, ::testing::ValuesIn(BehindCases()), [](const auto& row) {
    return CaseName(row.param.c.what) + (row.param.queued ? "_queued" : "_sent");
});

// A second call while a dialog runs is refused and leaves the running one
// exactly as it was, whenever it comes.
struct ReentryCase {
    const char* what;
    std::vector<Variant> params;
    int high;
    bool duringRefusal;
};

void PrintTo(const ReentryCase& c, std::ostream* os) { *os << c.what; }

std::vector<ReentryCase> ReentryCases() {
    return {
        {"valid call", CallParams(Variant("Acrescimo"), 10.0, 0.0), 3, false},
        {"call with too few elements", CallParams(Variant("Acrescimo"), 10.0, 0.0), -1, false},
        {"call without parameters", {}, 3, false},
        {"call with a bad base", CallParams(Variant("Desconto"), Variant("abc"), 0.0), 3, false},
        {"call while the refusal is shown", CallParams(Variant("Desconto"), 200.0, 0.0), 3, true},
    };
}

class Reentry : public HardeningModule, public ::testing::WithParamInterface<ReentryCase> {};

TEST_P(Reentry, ReentryIsRefusedAndTheRunningDialogIsUntouched) {
    const ReentryCase& c = GetParam();
    files::Limit(10)(ParametersFile());
    Module& m = Module::Get();
    messages_.clear();
    Variant inner = marker_;
    QString before, after;
    void* running = nullptr;
    const auto reenter = [&](QWidget* dialog) {
        before = ScriptDriver::Text(dialog, "lblDadoDigitado") + dialog->property("stTipo").toString() +
                 dialog->property("stDigitos").toString();
        running = *m.frmDesc;
        m.cria(c.params.empty() ? nullptr : c.params.data(), c.high, inner);
        after = ScriptDriver::Text(dialog, "lblDadoDigitado") + dialog->property("stTipo").toString() +
                dialog->property("stDigitos").toString();
        EXPECT_EQ(*m.frmDesc, running);
        EXPECT_TRUE(*m.boCriado06);
        EXPECT_TRUE(dialog->isVisible());
    };
    bool once = false;
    onMessage_ = [&](const dll::MensagemArgs&) {
        if (!c.duringRefusal || once) return;
        once = true;
        reenter(ScriptDriver::FindDialog());
    };
    WhenShown([&](QWidget* dialog) {
        for (const QString& t : Tokens("2 0 0 1")) ScriptDriver::Deliver(dialog, t);
        if (!c.duringRefusal) reenter(dialog);
        for (const QString& t : Tokens("Enter Backspace Enter")) ScriptDriver::Deliver(dialog, t);
    });
    Variant outer = marker_;
    const auto params = Params(Variant("Desconto"), 200.0, 0.0);
    m.cria(params.data(), 3, outer);
    onMessage_ = nullptr;

    EXPECT_TRUE(inner == marker_) << State(inner, marker_).toStdString();
    EXPECT_EQ(before, QStringLiteral("20,01V2001"));
    EXPECT_EQ(after, before);
    const QStringList expected = c.duringRefusal ? QStringList{kRecusa20, QString::fromUtf8(kJaAberta)}
                                                 : QStringList{QString::fromUtf8(kJaAberta), kRecusa20};
    EXPECT_EQ(messages_, expected);
    ASSERT_EQ(State(outer, marker_), QStringLiteral("packet"));
    EXPECT_EQ(Records(outer), (std::vector<Record>{{QStringLiteral("V"), 2}}));
    ExpectNoDialogLeft();
}

INSTANTIATE_TEST_SUITE_P(Cases, Reentry, ::testing::ValuesIn(ReentryCases()),
                         [](const auto& row) { return CaseName(row.param.what); });

// Values a host can put in the array that pdv-host's command line cannot.
struct ProgramValueCase {
    const char* what;
    std::vector<Variant> params;
    int high;
    const char* keys;
    QString message;  // "" = none
    const char* state;
    std::vector<Record> records;
};

void PrintTo(const ProgramValueCase& c, std::ostream* os) { *os << c.what; }

std::vector<ProgramValueCase> ProgramValueCases() {
    const QByteArray bytes("Acrescimo");
    return {
        {"kind as bytes: a plain discount",
         CallParams(Variant(bytes), 200.0, 0.0),
         3,
         "2 0 0 1 Enter Backspace Enter",
         kRecusa20,
         "packet",
         {{"V", 2}}},
        {"base as bytes",
         CallParams(Variant("Desconto"), Variant(bytes), 0.0),
         3,
         "Enter",
         QStringLiteral("O valor base (elemento 2) informado não é um número válido: bytes (9)."),
         "unchanged",
         {}},
        {"applied as bytes",
         CallParams(Variant("Desconto"), 200.0, Variant(bytes)),
         3,
         "Enter",
         QStringLiteral("O valor já aplicado (elemento 3) informado não é um número válido: bytes (9)."),
         "unchanged",
         {}},
        {"base as a 64-bit integer",
         CallParams(Variant("DescontoFidelidade"), Variant(std::int64_t{5}), 0.0),
         3,
         "5 0 0 Enter",
         "",
         "packet",
         {{"V", 5}}},
        {"no parameter array",
         {},
         3,
         "Enter",
         QStringLiteral("Chamada de desconto inválida: faltam parâmetros (o elemento 0, o tipo de ajuste (elemento 1), "
                        "o valor base (elemento 2), o valor já aplicado (elemento 3))."),
         "unchanged",
         {}},
    };
}

class ProgramValues : public HardeningModule, public ::testing::WithParamInterface<ProgramValueCase> {};

TEST_P(ProgramValues, ParameterValuesOnlyAProgramCanPass) {
    const ProgramValueCase& c = GetParam();
    files::Limit(10)(ParametersFile());
    const Variant result = Call(c.params, c.high, Tokens(c.keys));
    EXPECT_EQ(messages_, c.message.isEmpty() ? QStringList() : QStringList{c.message});
    EXPECT_EQ(State(result, marker_), QString::fromLatin1(c.state));
    if (result.Type() == plat::VarType::ByteArray) {
        EXPECT_EQ(Records(result), c.records);
    }
    EXPECT_FALSE(driver_->leftOpen);
    ExpectNoDialogLeft();
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgramValues, ::testing::ValuesIn(ProgramValueCases()),
                         [](const auto& row) { return CaseName(row.param.what); });

}  // namespace
}  // namespace hardening

namespace hardening {
namespace {

// What a hostile or careless host does to the open dialog from outside.
struct Hostile {
    const char* name;
    bool duringMessage;  // while the dialog's own refusal box is up
    void (*act)(QWidget* dialog);
};

// Named in test output rather than dumped as bytes.
void PrintTo(const Hostile& h, std::ostream* os) { *os << h.name; }

void Delete(QWidget* dialog) { delete dialog; }
void DeleteLater(QWidget* dialog) { dialog->deleteLater(); }
void DeleteEveryWindow(QWidget*) { qDeleteAll(QApplication::topLevelWidgets()); }
void Hide(QWidget* dialog) { dialog->hide(); }
void Reject(QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); }
void Accept(QWidget* dialog) { static_cast<QDialog*>(dialog)->accept(); }
void Exit(QWidget*) { QCoreApplication::exit(3); }

QMessageBox* VisibleMessageBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) return box;
    return nullptr;
}

class HostileHost : public HardeningModule, public ::testing::WithParamInterface<Hostile> {};

// Whatever ends the dialog from outside, the call returns no decision, the
// host's variant stays as it was, nothing of the dialog is left or touched
// again, one line says so on standard error, and the next call works.
TEST_P(HostileHost, EndsTheCallWithoutADecisionAndTheNextCallWorks) {
    const Hostile& h = GetParam();
    files::Limit(10)(ParametersFile());
    if (h.duringMessage) dll::SetMensagemPresenter({});  // the real message box
    bool typed = false;
    bool acted = false;
    int waited = 0;
    int ticks = 0;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* dialog = ScriptDriver::FindDialog();
        if (!acted && ++waited < 200) {
            if (dialog == nullptr) return;
            if (h.duringMessage && !typed) {
                typed = true;
                for (const QString& t : Tokens("2 0 0 1 Enter")) PostKey(dialog, t);
                return;
            }
            if (h.duringMessage && VisibleMessageBox() == nullptr) return;
            acted = true;
            h.act(dialog);
            return;
        }
        // A case that did not end the call fails instead of hanging.
        if (++ticks < 200) return;
        if (QMessageBox* box = VisibleMessageBox())
            box->reject();
        else if (dialog != nullptr)
            PostKey(dialog, QStringLiteral("Esc"));
    });
    watch.start();
    Variant result = marker_;
    const std::vector<Variant> params = Params(Variant("Desconto"), 200.0, 0.0);
    testing::internal::CaptureStderr();
    Module::Get().cria(params.data(), 3, result);
    const QString err = QString::fromStdString(testing::internal::GetCapturedStderr());
    watch.stop();

    EXPECT_TRUE(acted);
    EXPECT_LT(ticks, 200) << "the call did not end by itself";
    EXPECT_EQ(State(result, marker_), QStringLiteral("unchanged"));
    ExpectNoDialogLeft();
    EXPECT_EQ(VisibleMessageBox(), nullptr);
    // Qt's offscreen platform may add notes of its own.
    const QStringList lines =
        err.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^CriaDesconto: ")));
    EXPECT_EQ(lines.size(), 1) << err.toStdString();

    dll::SetMensagemPresenter([this](const dll::MensagemArgs& a) { messages_ << a.texto; });
    const Variant next = Call(params, 3, Tokens("2 0 0 0 Enter"));
    ASSERT_EQ(State(next, marker_), QStringLiteral("packet"));
    EXPECT_EQ(Records(next), (std::vector<Record>{{QStringLiteral("V"), 20}}));
    EXPECT_TRUE(driver_->setup.seen);
    ExpectNoDialogLeft();

    // An exit() outside exec() leaves the thread refusing new event loops
    // until exec() runs again, as a host's main loop would.
    if (h.act == Exit) {
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
}

const Hostile kHostile[] = {
    {"delete", false, Delete},
    {"deleteLater", false, DeleteLater},
    {"qDeleteAll_topLevelWidgets", false, DeleteEveryWindow},
    {"hide", false, Hide},
    {"reject", false, Reject},
    {"accept", false, Accept},
    {"exit", false, Exit},
    {"delete_during_refusal", true, Delete},
    {"deleteLater_during_refusal", true, DeleteLater},
    {"qDeleteAll_topLevelWidgets_during_refusal", true, DeleteEveryWindow},
    {"hide_during_refusal", true, Hide},
    {"exit_during_refusal", true, Exit},
};
INSTANTIATE_TEST_SUITE_P(Outside, HostileHost, ::testing::ValuesIn(kHostile),
                         [](const auto& row) { return std::string(row.param.name); });

// The dialog refuses to close on request, so a quit asked for while it is
// open would be refused and lost; it takes effect once the call returns.
TEST_F(HardeningModule, AQuitAskedForDuringTheDialogTakesEffectWhenTheCallReturns) {
    files::Limit(10)(ParametersFile());
    const std::vector<Variant> params = Params(Variant("Desconto"), 200.0, 0.0);
    Variant result = marker_;
    bool returned = false;
    bool quitWhileOpen = false;
    QTimer::singleShot(0, [&] {
        WhenShown([&](QWidget* dialog) {
            QCoreApplication::quit();
            quitWhileOpen = dialog->isVisible();
            for (const QString& t : Tokens("2 0 0 0 Enter")) PostKey(dialog, t);
        });
        Module::Get().cria(params.data(), 3, result);
        returned = true;
    });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });  // lost: fail, do not hang
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(returned);
    EXPECT_TRUE(quitWhileOpen);
    ASSERT_EQ(State(result, marker_), QStringLiteral("packet"));
    EXPECT_EQ(Records(result), (std::vector<Record>{{QStringLiteral("V"), 20}}));
    ExpectNoDialogLeft();
}

}  // namespace
}  // namespace hardening
