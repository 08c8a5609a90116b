#pragma once
// The dialog's layout as designed, typed in by hand so that the tests compare
// the loaded screen with the design and not with itself.
#include <QColor>
#include <QRect>
#include <QString>

#include <array>
#include <span>
#include <stdexcept>

namespace ref {

inline constexpr int kWidth = 238;
inline constexpr int kHeight = 385;
inline constexpr int kBand = 2;

inline const QColor kOutline{204, 91, 44};
inline const QColor kWhite{255, 255, 255};
inline const QColor kBlack{0, 0, 0};
inline const QColor kGrey{128, 128, 128};
inline const QColor kConfirm{34, 221, 100};
inline const QColor kCancel{238, 62, 17};
inline const QColor kDisabled{204, 204, 204};
inline const QColor kCheckGreen{0, 255, 0};
inline const QColor kKey{128, 0, 128};  // the check picture's transparent colour

enum class Kind { Image, Label, Bevel, Button, Shape };
enum Align { Left = 0, Right = 1, Center = 2, NoAlign = -1 };

struct Element {
    const char* name;
    Kind kind;
    QRect rect;
    bool visible = true;
    bool enabled = true;
    int tag = -1;                   // buttons only
    const char* caption = nullptr;  // labels and captioned buttons
    const char* face = nullptr;     // text style: face, pixel height, bold, colour
    int pixels = 0;
    bool bold = false;
    QColor ink;
    int align = NoAlign;
    bool autoSize = false;
    const char* accessible = nullptr;
    QColor fill;  // buttons: face colour
};

inline Element Picture(const char* name, QRect r, bool visible, const char* accessible) {
    Element e{};
    e.name = name;
    e.kind = Kind::Image;
    e.rect = r;
    e.visible = visible;
    e.accessible = accessible;
    return e;
}

inline Element Frame(const char* name, QRect r) {
    Element e{};
    e.name = name;
    e.kind = Kind::Bevel;
    e.rect = r;
    return e;
}

inline Element Text(const char* name, QRect r, const char* caption, int pixels, bool bold, QColor ink, int align,
                    bool autoSize) {
    Element e{};
    e.name = name;
    e.kind = Kind::Label;
    e.rect = r;
    e.caption = caption;
    e.face = "Arial";
    e.pixels = pixels;
    e.bold = bold;
    e.ink = ink;
    e.align = align;
    e.autoSize = autoSize;
    return e;
}

// A keypad button; a null caption means a glyph only.
inline Element Key(const char* name, QRect r, const char* caption, int tag, const char* accessible, QColor fill = kGrey,
                   bool enabled = true) {
    Element e{};
    e.name = name;
    e.kind = Kind::Button;
    e.rect = r;
    e.enabled = enabled;
    e.tag = tag;
    e.caption = caption ? caption : "";
    if (caption) {
        e.face = "Arial";
        e.pixels = 24;
        e.ink = kWhite;
    }
    e.accessible = accessible;
    e.fill = fill;
    return e;
}

inline Element Outline(const char* name, QRect r) {
    Element e{};
    e.name = name;
    e.kind = Kind::Shape;
    e.rect = r;
    return e;
}

// Declaration order.
inline const std::array<Element, 28> kElements = {{
    Picture("imgValor", {15, 37, 34, 37}, true, "Valor"),
    Text("lblValor", {57, 47, 33, 16}, "Valor", 13, true, kBlack, Left, true),
    Frame("bvlValor", {12, 35, 40, 41}),
    Frame("bvlPercentual", {106, 35, 42, 41}),
    Text("lblPrecentual", {151, 47, 69, 16}, "Percentual", 13, true, kBlack, Left, true),
    Picture("imgRef", {215, 436, 40, 40}, false, nullptr),
    Picture("imgPercentual", {109, 37, 36, 37}, true, "Percentual"),
    Picture("imgClear", {167, 436, 40, 40}, false, nullptr),
    Text("lblDadoDigitado", {10, 102, 220, 16}, "", 16, true, kGrey, Left, false),
    Text("lblCabec", {8, 4, 218, 21}, "Desconto", 16, true, kBlack, Center, false),
    Text("lblInfo", {10, 75, 215, 28}, "", 16, true, kGrey, Left, false),
    Key("sbt1", {8, 124, 70, 46}, "1", 49, "1"),
    Key("sbt2", {83, 124, 70, 46}, "2", 50, "2"),
    Key("sbt3", {158, 124, 70, 46}, "3", 51, "3"),
    Key("sbt6", {158, 174, 70, 46}, "6", 54, "6"),
    Key("sbt5", {83, 174, 70, 46}, "5", 53, "5"),
    Key("sbt4", {8, 174, 70, 46}, "4", 52, "4"),
    Key("sbt7", {8, 224, 70, 46}, "7", 55, "7"),
    Key("sbt8", {83, 224, 70, 46}, "8", 56, "8"),
    Key("sbt9", {158, 224, 70, 46}, "9", 57, "9"),
    Key("sbtCorrigir", {158, 274, 70, 46}, nullptr, 0, "Corrigir"),
    Key("sbtEnter", {158, 324, 70, 46}, nullptr, 0, "Confirmar", kConfirm),
    Key("sbtPonto", {83, 324, 70, 46}, ".", 0, "Ponto", kGrey, false),
    Key("sbtCancelar", {8, 324, 70, 46}, nullptr, 0, "Cancelar", kCancel),
    Key("sbt0", {8, 274, 70, 46}, "0", 48, "0"),
    Key("sbtVirgula", {83, 274, 70, 46}, ",", 0, "Vírgula", kGrey, false),
    Text("lblCodTela", {186, 370, 49, 14}, "Orv00006", 11, false, kGrey, Right, true),
    Outline("Shape1", {0, 0, 238, 385}),
}};

// Drawing order, bottom first.
inline constexpr std::array<const char*, 28> kStacking = {
    "Shape1",        "bvlPercentual", "bvlValor",      "imgValor", "lblValor",
    "lblPrecentual", "imgRef",        "imgPercentual", "imgClear", "lblDadoDigitado",
    "lblCabec",      "lblInfo",       "sbt1",          "sbt2",     "sbt3",
    "sbt6",          "sbt5",          "sbt4",          "sbt7",     "sbt8",
    "sbt9",          "sbtCorrigir",   "sbtEnter",      "sbtPonto", "sbtCancelar",
    "sbt0",          "sbtVirgula",    "lblCodTela",
};

inline const Element& Find(const QString& name) {
    for (const Element& e : kElements)
        if (name == QLatin1String(e.name)) return e;
    throw std::out_of_range(name.toStdString());
}

inline std::span<const Element> Buttons() { return std::span(kElements).subspan(11, 15); }

// Every kind the host can ask for, and what its set-up shows.
struct KindCase {
    const char* what;
    const char* key;  // nullptr: the layout as loaded, no set-up
    double base, applied;
    const char* title;  // as written
    const char* shown;  // as the operator sees it
    bool valueBox, percentBox;
};

inline const std::array<KindCase, 7> kKinds = {{
    {"as loaded", nullptr, 0, 0, "Desconto", "Desconto", true, true},
    {"plain discount", "Desconto", 200, 0, "Desconto", "Desconto", true, true},
    {"surcharge", "Acrescimo", 100, 0, "Acréscimo", "Acréscimo", true, true},
    {"service fee", "TaxaServico", 100, 5, "Taxa de Serviço", "Taxa de Serviço", true, true},
    {"loyalty", "DescontoFidelidade", 50, 0, "Desconto Fidelidade", "Desconto Fidelidade", true, false},
    {"CRM&Bonus", "DescontoCRMBONUS", 100, 30, "Desconto CRM&&Bonus", "Desconto CRM&Bonus", false, false},
    {"cashback", "DescontoGCOM", 100, 30, "Desconto CashBack", "Desconto CashBack", false, false},
}};

}  // namespace ref
