// Draws the discount dialog's pictures and writes them as uncompressed BMP files.
//
// Usage: orv-artgen OUTDIR
//
// The output is committed under dialog/layout/artwork; this program is how it
// is remade, so it must give the same bytes every run. It needs no display:
// only QImage and QPainter are used, and the BMP bytes are written here rather
// than by QImage::save so that every header field is under our control.

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Inclusive pixel rectangle.
struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    friend bool operator==(const Box&, const Box&) = default;
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row-major, top row first

    Picture(int w, int h, Rgb fill) : width(w), height(h), pixels(std::size_t(w) * std::size_t(h), fill) {}
    Rgb& at(int x, int y) { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    const Rgb& at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

// Coverage of a glyph drawing, 0 = background, 255 = solid white.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> alpha;
    std::uint8_t at(int x, int y) const { return alpha[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what); }

std::string boxText(const Box& b) {
    return "columns " + std::to_string(b.left) + ".." + std::to_string(b.right) + ", rows " + std::to_string(b.top) +
           ".." + std::to_string(b.bottom);
}

// ---------------------------------------------------------------------------
// BMP encoding: BITMAPFILEHEADER + BITMAPINFOHEADER, BI_RGB, bottom-up rows
// padded to four bytes. 32-bit pixels are B,G,R,0: the fourth byte is unused,
// never an alpha channel.

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v & 0xFFu));
    out.push_back(std::uint8_t((v >> 8) & 0xFFu));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFFu);
    put16(out, v >> 16);
}

std::vector<std::uint8_t> encodeBmp(const Picture& pic, int bitsPerPixel) {
    if (bitsPerPixel != 24 && bitsPerPixel != 32) fail("unsupported bit depth");
    constexpr std::uint32_t kFileHeaderSize = 14;
    constexpr std::uint32_t kInfoHeaderSize = 40;
    constexpr std::uint32_t kPixelsPerMetre = 3780;  // 96 DPI
    const std::uint32_t bytesPerPixel = std::uint32_t(bitsPerPixel) / 8;
    const std::uint32_t stride = (std::uint32_t(pic.width) * bytesPerPixel + 3u) & ~3u;
    const std::uint32_t imageSize = stride * std::uint32_t(pic.height);
    const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize;

    std::vector<std::uint8_t> out;
    out.reserve(offset + imageSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + imageSize);
    put32(out, 0);  // reserved
    put32(out, offset);

    put32(out, kInfoHeaderSize);
    put32(out, std::uint32_t(pic.width));
    put32(out, std::uint32_t(pic.height));  // positive: bottom-up
    put16(out, 1);                          // planes
    put16(out, std::uint32_t(bitsPerPixel));
    put32(out, 0);  // BI_RGB
    put32(out, imageSize);
    put32(out, kPixelsPerMetre);
    put32(out, kPixelsPerMetre);
    put32(out, 0);  // colours used: all
    put32(out, 0);  // important colours: all

    for (int y = pic.height - 1; y >= 0; --y) {
        std::size_t rowStart = out.size();
        for (int x = 0; x < pic.width; ++x) {
            const Rgb& c = pic.at(x, y);
            out.push_back(c.b);
            out.push_back(c.g);
            out.push_back(c.r);
            if (bitsPerPixel == 32) out.push_back(0);
        }
        while (out.size() - rowStart < stride) out.push_back(0);
    }
    return out;
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) fail("cannot open " + path.string() + " for writing");
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!f) fail("cannot write " + path.string());
}

// ---------------------------------------------------------------------------
// Glyphs: white drawings on a plain button colour, with antialiased edges.
//
// Each drawing is rendered once as a coverage mask and then composited onto
// each background, so a glyph and its disabled variant are the same drawing.

constexpr int kGlyphSize = 34;

// Coverage this faint would round to the background on some button colours
// and not on others, making the enabled and disabled variants differ in
// extent; such pixels are dropped.
constexpr int kMinVisibleAlpha = 3;

Mask renderMask(const std::function<void(QPainter&)>& draw, const Box& extent, const char* name) {
    QImage img(kGlyphSize, kGlyphSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        draw(p);
    }

    Mask m{kGlyphSize, kGlyphSize, std::vector<std::uint8_t>(std::size_t(kGlyphSize) * kGlyphSize, 0)};
    bool any = false;
    Box seen{kGlyphSize, kGlyphSize, -1, -1};
    for (int y = 0; y < kGlyphSize; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < kGlyphSize; ++x) {
            const int a = qAlpha(line[x]);
            if (a < kMinVisibleAlpha) continue;
            // Anything visible outside the box is a drawing mistake, not
            // something to trim silently.
            if (!extent.contains(x, y))
                fail(std::string(name) + ": drawing leaks outside " + boxText(extent) + " at (" + std::to_string(x) +
                     "," + std::to_string(y) + ")");
            m.alpha[std::size_t(y) * kGlyphSize + std::size_t(x)] = std::uint8_t(a);
            any = true;
            seen.left = std::min(seen.left, x);
            seen.top = std::min(seen.top, y);
            seen.right = std::max(seen.right, x);
            seen.bottom = std::max(seen.bottom, y);
        }
    }
    if (!any || !(seen == extent))
        fail(std::string(name) + ": drawing covers " + boxText(seen) + ", expected " + boxText(extent));
    return m;
}

Picture composite(const Mask& mask, Rgb background) {
    Picture pic(mask.width, mask.height, background);
    auto blend = [](std::uint8_t bg, unsigned a) {
        // a * white + (1 - a) * bg, rounded to nearest.
        return std::uint8_t((a * 255u + (255u - a) * bg + 127u) / 255u);
    };
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            const unsigned a = mask.at(x, y);
            if (a == 0) continue;
            pic.at(x, y) = {blend(background.r, a), blend(background.g, a), blend(background.b, a)};
        }
    return pic;
}

// Backspace key: a 2-pixel outline of a box whose left side runs out to a
// point, with a diagonal cross inside. Columns 4..29, rows 8..26.
void drawBackspace(QPainter& p) {
    constexpr double left = 4.0, right = 30.0, top = 8.0, bottom = 27.0;
    constexpr double midY = (top + bottom) / 2.0;
    constexpr double shoulder = left + (midY - top);  // 45-degree point
    constexpr double w = 2.0;
    // Inward offset of a 45-degree edge by w moves it sqrt(2)*w along x.
    constexpr double slant = 2.0 * 1.41421356237309515;

    QPainterPath outline;
    outline.setFillRule(Qt::OddEvenFill);
    outline.addPolygon(QPolygonF({{left, midY}, {shoulder, top}, {right, top}, {right, bottom}, {shoulder, bottom}}));
    outline.closeSubpath();
    const double innerTop = top + w, innerBottom = bottom - w;
    outline.addPolygon(QPolygonF({{left + slant, midY},
                                  {left + slant + (midY - innerTop), innerTop},
                                  {right - w, innerTop},
                                  {right - w, innerBottom},
                                  {left + slant + (innerBottom - midY), innerBottom}}));
    outline.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(outline);

    // The cross sits in the middle of the rectangular part of the key.
    QPen pen(Qt::white, 2.0, Qt::SolidLine, Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    constexpr double cx = 20.5, half = 4.0;
    p.drawLine(QPointF(cx - half, midY - half), QPointF(cx + half, midY + half));
    p.drawLine(QPointF(cx - half, midY + half), QPointF(cx + half, midY - half));
}

// Check mark with round ends. The outer extremes of the stroke land exactly
// on columns 7..26 and rows 8..26.
void drawConfirm(QPainter& p) {
    constexpr double r = 1.5;  // half the stroke width
    const QPointF start(7.0 + r, 18.0);
    const QPointF corner(13.5, 27.0 - r);
    const QPointF end(27.0 - r, 8.0 + r);
    QPainterPath path(start);
    path.lineTo(corner);
    path.lineTo(end);
    p.setPen(QPen(Qt::white, 2.0 * r, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

// Diagonal cross with round ends, columns and rows 7..26.
void drawCancel(QPainter& p) {
    constexpr double r = 1.5;
    constexpr double lo = 7.0 + r, hi = 27.0 - r;
    p.setPen(QPen(Qt::white, 2.0 * r, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(lo, lo), QPointF(hi, hi));
    p.drawLine(QPointF(lo, hi), QPointF(hi, lo));
}

// Keyboard: 2-pixel outline over columns 1..32, rows 8..24, with four rows of
// 2-pixel keys. Letter keys are white; the wide keys are light grey, which
// also tells them apart where a wide key has no room for a gap beside it.
void drawKeyboard(QPainter& p) {
    constexpr double left = 1.0, right = 33.0, top = 8.0, bottom = 25.0;
    QPainterPath outline;
    outline.setFillRule(Qt::OddEvenFill);
    outline.addRect(QRectF(left, top, right - left, bottom - top));
    outline.addRect(QRectF(left + 2, top + 2, right - left - 4, bottom - top - 4));
    p.setBrush(Qt::white);
    p.drawPath(outline);

    const QColor light(255, 255, 255, 153);  // 60 % white
    auto key = [&p](int x, int y, int w, const QColor& c) { p.fillRect(QRect(x, y, w, 2), c); };
    constexpr int x0 = 4, pitch = 3;
    constexpr int rows[4] = {11, 14, 17, 20};

    for (int i = 0; i < 9; ++i) key(x0 + pitch * i, rows[0], 2, Qt::white);

    for (int i = 0; i < 8; ++i) key(x0 + pitch * i, rows[1], 2, Qt::white);
    key(x0 + pitch * 8 - 1, rows[1], 3, light);

    key(x0, rows[2], 3, light);
    for (int i = 0; i < 8; ++i) key(x0 + 3 + pitch * i, rows[2], 2, Qt::white);

    key(x0, rows[3], 2, Qt::white);
    key(x0 + pitch, rows[3], 2, Qt::white);
    key(x0 + 2 * pitch, rows[3], 14, light);
    key(x0 + 7 * pitch, rows[3], 2, Qt::white);
    key(x0 + 8 * pitch, rows[3], 2, Qt::white);
}

// ---------------------------------------------------------------------------
// The check picture: drawn pixel by pixel in six flat colours, because it is
// shown stretched with purple as the transparent key colour and any blended
// edge would leave a purple fringe.

constexpr Rgb kPurple{128, 0, 128};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kNavy{0, 0, 132};
constexpr Rgb kGrey{132, 132, 132};
constexpr Rgb kSlate{115, 123, 132};
constexpr Rgb kDarkGreen{0, 132, 0};

Picture drawCheckPicture() {
    constexpr int width = 43, height = 29;
    // Body: each column is a vertical run of kRun pixels. The long arm rises
    // one row per column up to its tip; the short arm falls one row per
    // column down to the corner.
    constexpr int kRun = 6;
    constexpr int tipX = 37, tipY = 2;  // top of the long arm
    constexpr int leftX = 16;           // end of the short arm
    constexpr int bodyBottom = 23;      // the three-step edge below ends on row 26
    constexpr int cornerX = tipX + tipY + kRun - 1 - bodyBottom;

    using Pt = std::pair<int, int>;
    std::set<Pt> body;
    auto runTop = [&](int x) { return x >= cornerX ? tipY + (tipX - x) : tipY + (tipX - cornerX) - (cornerX - x); };
    for (int x = leftX; x <= tipX; ++x)
        for (int y = runTop(x); y < runTop(x) + kRun; ++y) body.insert({x, y});

    // 3-D edge: the body pushed one step down-right shows navy along the lower
    // right side; grey and then slate follow it one step further out each.
    std::set<Pt> taken = body;
    std::set<Pt> navy, grey, slate;
    for (const auto& [x, y] : body)
        if (!taken.contains({x + 1, y + 1})) navy.insert({x + 1, y + 1});
    taken.insert(navy.begin(), navy.end());
    auto growFrom = [&taken](const std::set<Pt>& from, std::set<Pt>& into) {
        for (const auto& [x, y] : from)
            for (const Pt& q : {Pt{x + 1, y}, Pt{x, y + 1}})
                if (!taken.contains(q)) into.insert(q);
        taken.insert(into.begin(), into.end());
    };
    growFrom(navy, grey);
    growFrom(grey, slate);

    Picture pic(width, height, kPurple);
    for (const auto& [x, y] : body) pic.at(x, y) = kGreen;
    for (const auto& [x, y] : navy) pic.at(x, y) = kNavy;
    for (const auto& [x, y] : grey) pic.at(x, y) = kGrey;
    for (const auto& [x, y] : slate) pic.at(x, y) = kSlate;
    // A darker pixel at the top end of each arm.
    pic.at(tipX, tipY) = kDarkGreen;
    pic.at(leftX, runTop(leftX)) = kDarkGreen;

    const Box expected{16, 2, 40, 26};
    Box seen{width, height, -1, -1};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (!(pic.at(x, y) == kPurple)) {
                seen.left = std::min(seen.left, x);
                seen.top = std::min(seen.top, y);
                seen.right = std::max(seen.right, x);
                seen.bottom = std::max(seen.bottom, y);
            }
    if (!(seen == expected)) fail("check: drawing covers " + boxText(seen) + ", expected " + boxText(expected));
    return pic;
}

// ---------------------------------------------------------------------------

constexpr Rgb kButtonFace{128, 128, 128};
constexpr Rgb kDisabledFill{204, 204, 204};
constexpr Rgb kConfirmGreen{39, 174, 96};
constexpr Rgb kCancelRed{231, 76, 60};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << (argc > 0 ? argv[0] : "orv-artgen") << " OUTDIR\n";
        return 2;
    }
    try {
        const std::filesystem::path out(argv[1]);
        std::filesystem::create_directories(out);

        writeFile(out / "check.bmp", encodeBmp(drawCheckPicture(), 24));

        const Mask backspace = renderMask(drawBackspace, {4, 8, 29, 26}, "backspace");
        writeFile(out / "backspace.bmp", encodeBmp(composite(backspace, kButtonFace), 32));
        writeFile(out / "backspace_disabled.bmp", encodeBmp(composite(backspace, kDisabledFill), 32));

        const Mask confirm = renderMask(drawConfirm, {7, 8, 26, 26}, "confirm");
        writeFile(out / "confirm.bmp", encodeBmp(composite(confirm, kConfirmGreen), 32));
        writeFile(out / "confirm_disabled.bmp", encodeBmp(composite(confirm, kDisabledFill), 32));

        const Mask cancel = renderMask(drawCancel, {7, 7, 26, 26}, "cancel");
        writeFile(out / "cancel.bmp", encodeBmp(composite(cancel, kCancelRed), 32));
        writeFile(out / "cancel_disabled.bmp", encodeBmp(composite(cancel, kDisabledFill), 32));

        const Mask keyboard = renderMask(drawKeyboard, {1, 8, 32, 24}, "keyboard");
        writeFile(out / "keyboard_disabled.bmp", encodeBmp(composite(keyboard, kDisabledFill), 32));
    } catch (const std::exception& e) {
        std::cerr << "orv-artgen: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
