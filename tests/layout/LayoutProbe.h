#pragma once
// Opening the dialog for a kind, and reading pixels of what it drew.
#include <QImage>
#include <QPointer>
#include <QTemporaryDir>

#include <functional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "CaseName.h"
#include "Cli_orv00006.h"
#include "DecimalSeparatorGuard.h"
#include "GuiTestSupport.h"
#include "ReferenceLayout.h"

// Readable failure messages for the Qt values the tests compare.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QColor& c, std::ostream* os) {
    *os << "RGB(" << c.red() << "," << c.green() << "," << c.blue() << ")";
}
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << "(" << r.x() << "," << r.y() << " " << r.width() << "x" << r.height() << ")";
}
inline void PrintTo(const QPoint& p, std::ostream* os) { *os << "(" << p.x() << "," << p.y() << ")"; }
inline void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << "x" << s.height(); }

namespace probe {

QColor At(const QImage& img, int x, int y);
// Largest difference of the three channels.
int Distance(const QColor& a, const QColor& b);
std::string Describe(const QColor& c);

// Pixels of `area` (clipped to the image) for which `pred` holds.
int Count(const QImage& img, const QRect& area, const std::function<bool(const QColor&)>& pred);
// First pixel of `area` for which `pred` holds, or (-1,-1).
QPoint FindFirst(const QImage& img, const QRect& area, const std::function<bool(const QColor&)>& pred);
// Bounding box of the pixels in `area` that differ from `background`.
QRect InkBounds(const QImage& img, const QRect& area, const QColor& background = ref::kWhite);

// The rectangle scaled by an integer device factor.
QRect Scaled(const QRect& r, int factor);

}  // namespace probe

// A dialog created in-process and set up for one kind, shown offscreen.
class LayoutFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    Cli_orv00006::TfrmDesc* Open(const ref::KindCase& kind);
    // Delivers whitespace-separated script tokens ("Alt+P", "click:sbt5").
    void Type(const QString& tokens);
    QImage Grab() const;
    QWidget* Element(const char* name) const;

    DecimalSeparatorGuard separator_{QLatin1Char(',')};
    Recorder recorder_;
    QTemporaryDir dir_;
    QPointer<Cli_orv00006::TfrmDesc> dialog_;
};

namespace ref {
// Rows named in test output by what they are.
inline void PrintTo(const KindCase& k, std::ostream* os) { *os << k.what; }
inline void PrintTo(const Element& e, std::ostream* os) { *os << e.name; }
}  // namespace ref

// The same dialog opened once per kind, one named row each.
class KindFixture : public LayoutFixture, public ::testing::WithParamInterface<ref::KindCase> {};
inline std::string KindName(const ::testing::TestParamInfo<ref::KindCase>& row) { return CaseName(row.param.what); }

// Rows of the element table, named by element.
inline std::string ElementName(const ::testing::TestParamInfo<ref::Element>& row) { return row.param.name; }
