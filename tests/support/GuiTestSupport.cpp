#include "GuiTestSupport.h"

#include <QApplication>
#include <QPointer>

#include <gtest/gtest.h>

#include "orv00006/dll/Mensagemvek.h"
#include "orv00006/platform/forms.h"

Recorder::Recorder() {
    dll::SetMensagemPresenter([this](const dll::MensagemArgs& m) { messages << m.texto; });
    plat::Application::SetExceptionHandler([this](const QString& text) { errors << text; });
}

Recorder::~Recorder() {
    dll::SetMensagemPresenter({});
    plat::Application::SetExceptionHandler({});
}

QImage Grab(QWidget* w) {
    QImage image(w->size(), QImage::Format_RGB32);
    image.setDevicePixelRatio(1.0);
    image.fill(Qt::black);
    w->render(&image);
    return image;
}

void ExpectNoTopLevelWidgetsLeft() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QWidgetList left = QApplication::topLevelWidgets();
    if (left.isEmpty()) return;
    QStringList names;
    QList<QPointer<QWidget>> doomed;
    for (QWidget* w : left) {
        names << QStringLiteral("%1 \"%2\"%3")
                     .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(),
                          w->isVisible() ? QStringLiteral(" (visible)") : QString());
        doomed << w;
    }
    ADD_FAILURE() << "top-level widgets left behind: " << names.join(QStringLiteral(", ")).toStdString();
    // A window may own another: deleting the first takes the second along.
    for (const QPointer<QWidget>& w : doomed) delete w.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
