#include "LayoutProbe.h"

#include <algorithm>
#include <cstdlib>

#include "ScriptDriver.h"
#include "orv00006/platform/sysutils.h"

namespace probe {

QColor At(const QImage& img, int x, int y) { return QColor(img.pixel(x, y)); }

int Distance(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

std::string Describe(const QColor& c) {
    return "RGB(" + std::to_string(c.red()) + "," + std::to_string(c.green()) + "," + std::to_string(c.blue()) + ")";
}

int Count(const QImage& img, const QRect& area, const std::function<bool(const QColor&)>& pred) {
    const QRect a = area & img.rect();
    int n = 0;
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x)
            if (pred(At(img, x, y))) ++n;
    return n;
}

QPoint FindFirst(const QImage& img, const QRect& area, const std::function<bool(const QColor&)>& pred) {
    const QRect a = area & img.rect();
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x)
            if (pred(At(img, x, y))) return {x, y};
    return {-1, -1};
}

QRect InkBounds(const QImage& img, const QRect& area, const QColor& background) {
    const QRect a = area & img.rect();
    QRect box;
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x)
            if (At(img, x, y) != background) box |= QRect(x, y, 1, 1);
    return box;
}

QRect Scaled(const QRect& r, int factor) {
    return {r.x() * factor, r.y() * factor, r.width() * factor, r.height() * factor};
}

}  // namespace probe

void LayoutFixture::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    // No parameters file: the layout does not depend on it.
    plat::OverrideProgramDir(dir_.path());
}

void LayoutFixture::TearDown() {
    delete dialog_.data();
    plat::OverrideProgramDir(QString());
    ExpectNoTopLevelWidgetsLeft();
}

Cli_orv00006::TfrmDesc* LayoutFixture::Open(const ref::KindCase& kind) {
    delete dialog_.data();
    dialog_ = new Cli_orv00006::TfrmDesc;
    if (kind.key != nullptr) {
        const plat::Variant params[] = {plat::Variant(), plat::Variant(QString::fromUtf8(kind.key)),
                                        plat::Variant(kind.base), plat::Variant(kind.applied)};
        dialog_->InicializaForm(params, 3);
    }
    // A colour no element uses: any of it in a picture is the window's own
    // background showing through.
    QPalette pal = dialog_->palette();
    pal.setColor(QPalette::Window, QColor(255, 0, 255));
    dialog_->setPalette(pal);
    dialog_->show();
    return dialog_;
}

void LayoutFixture::Type(const QString& tokens) {
    for (const QString& t : tokens.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QString problem;
        EXPECT_TRUE(ScriptDriver::Deliver(dialog_, t, &problem)) << problem.toStdString();
    }
}

QImage LayoutFixture::Grab() const { return ::Grab(dialog_); }

QWidget* LayoutFixture::Element(const char* name) const {
    return dialog_->findChild<QWidget*>(QString::fromLatin1(name));
}
