#include "GuiTestSupport.h"

#include "dll/Mensagemvek.h"
#include "platform/forms.h"

Recorder::Recorder() {
    SetMensagemPresenter([this](const MensagemArgs& m) { messages << m.texto; });
    plat::Application::SetExceptionHandler([this](const QString& text) { errors << text; });
}

Recorder::~Recorder() {
    SetMensagemPresenter({});
    plat::Application::SetExceptionHandler({});
}

QImage Grab(QWidget* w) {
    QImage image(w->size(), QImage::Format_RGB32);
    image.setDevicePixelRatio(1.0);
    image.fill(Qt::black);
    w->render(&image);
    return image;
}
