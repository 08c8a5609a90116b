// Checks the dialog's committed BMP artwork: that the generator remakes it
// byte for byte, and that each picture has the size, format, background,
// extent and colours the dialog's layout relies on.
//
// The pictures are decoded by a small reader of our own, so that a lenient
// or quirky image loader cannot hide a malformed file; a separate check then
// makes sure QImage, which the dialog uses, sees the same opaque pixels.

#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
    friend auto operator<=>(const Rgb&, const Rgb&) = default;
};

std::string text(const Rgb& c) {
    return "RGB(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const Box&, const Box&) = default;
};

std::string text(const Box& b) {
    return "columns " + std::to_string(b.left) + ".." + std::to_string(b.right) + ", rows " + std::to_string(b.top) +
           ".." + std::to_string(b.bottom);
}

// ---------------------------------------------------------------------------
// Minimal BMP reader: BITMAPFILEHEADER + BITMAPINFOHEADER, 24 or 32 bits,
// uncompressed. Anything else is reported as an error rather than guessed at.

struct Bmp {
    std::string error;  // empty when decoded
    std::uint32_t fileSize = 0;
    std::uint32_t infoHeaderSize = 0;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::vector<Rgb> pixels;                // top row first
    std::vector<std::uint8_t> fourthBytes;  // 32-bit only, same order
    bool paddingIsZero = true;

    const Rgb& at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

std::vector<std::uint8_t> readBytes(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::uint32_t le16(const std::vector<std::uint8_t>& d, std::size_t at) {
    return std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8;
}

std::uint32_t le32(const std::vector<std::uint8_t>& d, std::size_t at) { return le16(d, at) | le16(d, at + 2) << 16; }

Bmp decodeBmp(const std::vector<std::uint8_t>& d) {
    Bmp bmp;
    if (d.size() < 54 || d[0] != 'B' || d[1] != 'M') {
        bmp.error = "not a BMP file";
        return bmp;
    }
    bmp.fileSize = le32(d, 2);
    const std::uint32_t offset = le32(d, 10);
    bmp.infoHeaderSize = le32(d, 14);
    const auto width = std::int32_t(le32(d, 18));
    const auto height = std::int32_t(le32(d, 22));
    const std::uint32_t planes = le16(d, 26);
    bmp.bitsPerPixel = int(le16(d, 28));
    bmp.compression = le32(d, 30);

    if (bmp.fileSize != d.size()) {
        bmp.error = "file size field " + std::to_string(bmp.fileSize) + " but file has " + std::to_string(d.size());
        return bmp;
    }
    if (bmp.infoHeaderSize != 40) {
        bmp.error = "info header is " + std::to_string(bmp.infoHeaderSize) + " bytes, not 40";
        return bmp;
    }
    if (planes != 1 || width <= 0 || height == 0 || width > 4096 || height > 4096 || height < -4096) {
        bmp.error = "implausible dimensions or planes";
        return bmp;
    }
    if (bmp.bitsPerPixel != 24 && bmp.bitsPerPixel != 32) {
        bmp.error = "unsupported bit depth " + std::to_string(bmp.bitsPerPixel);
        return bmp;
    }
    if (bmp.compression != 0) {
        bmp.error = "compressed (" + std::to_string(bmp.compression) + "), not BI_RGB";
        return bmp;
    }
    bmp.width = width;
    bmp.height = height < 0 ? -height : height;
    const bool bottomUp = height > 0;
    const std::size_t bytesPerPixel = std::size_t(bmp.bitsPerPixel) / 8;
    const std::size_t stride = (std::size_t(bmp.width) * bytesPerPixel + 3) & ~std::size_t(3);
    if (offset < 54 || offset + stride * std::size_t(bmp.height) > d.size()) {
        bmp.error = "pixel data out of range";
        return bmp;
    }

    bmp.pixels.resize(std::size_t(bmp.width) * std::size_t(bmp.height));
    if (bmp.bitsPerPixel == 32) bmp.fourthBytes.resize(bmp.pixels.size());
    for (int row = 0; row < bmp.height; ++row) {
        const int y = bottomUp ? bmp.height - 1 - row : row;
        const std::size_t start = offset + std::size_t(row) * stride;
        for (int x = 0; x < bmp.width; ++x) {
            const std::size_t p = start + std::size_t(x) * bytesPerPixel;
            const std::size_t i = std::size_t(y) * std::size_t(bmp.width) + std::size_t(x);
            bmp.pixels[i] = {d[p + 2], d[p + 1], d[p]};
            if (bmp.bitsPerPixel == 32) bmp.fourthBytes[i] = d[p + 3];
        }
        for (std::size_t p = start + std::size_t(bmp.width) * bytesPerPixel; p < start + stride; ++p)
            bmp.paddingIsZero = bmp.paddingIsZero && d[p] == 0;
    }
    return bmp;
}

// Bounding box of every pixel that is not exactly the background; right < left
// when there is none.
Box extentOf(const Bmp& bmp, const Rgb& background) {
    Box box{bmp.width, bmp.height, -1, -1};
    for (int y = 0; y < bmp.height; ++y)
        for (int x = 0; x < bmp.width; ++x)
            if (!(bmp.at(x, y) == background)) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

// The coverages a in [0, 1] for which a * white + (1 - a) * background rounds
// to this pixel in every channel. Empty (lo > hi) when the pixel is off the
// line between background and white.
struct Coverage {
    double lo = 0.0;
    double hi = 1.0;
    bool empty() const { return lo > hi + 1e-9; }
};

Coverage coverageOf(const Rgb& pixel, const Rgb& background) {
    Coverage c;
    const std::array<std::pair<int, int>, 3> channels{
        {{pixel.r, background.r}, {pixel.g, background.g}, {pixel.b, background.b}}};
    for (const auto& [value, bg] : channels) {
        const double span = 255.0 - bg;
        if (span <= 0.0) {
            if (value != 255) return {1.0, 0.0};
            continue;
        }
        c.lo = std::max(c.lo, (value - 0.5 - bg) / span);
        c.hi = std::min(c.hi, (value + 0.5 - bg) / span);
    }
    return c;
}

// ---------------------------------------------------------------------------
// The artwork table.

const fs::path kArtworkDir = ORV_ARTWORK_DIR;
const fs::path kGenerator = ORV_ARTGEN_PATH;

enum class Kind { CheckPicture, Glyph };

struct Picture {
    const char* file;
    int width;
    int height;
    int bitsPerPixel;
    Rgb background;
    Box motif;
    Kind kind;
    const char* enabledVariant;  // for a disabled glyph: the same drawing, enabled
};

constexpr Rgb kDisabledFill{204, 204, 204};

const Picture kPictures[] = {
    {"check.bmp", 43, 29, 24, {128, 0, 128}, {16, 2, 40, 26}, Kind::CheckPicture, nullptr},
    {"backspace.bmp", 34, 34, 32, {128, 128, 128}, {4, 8, 29, 26}, Kind::Glyph, nullptr},
    {"backspace_disabled.bmp", 34, 34, 32, kDisabledFill, {4, 8, 29, 26}, Kind::Glyph, "backspace.bmp"},
    {"confirm.bmp", 34, 34, 32, {39, 174, 96}, {7, 8, 26, 26}, Kind::Glyph, nullptr},
    {"confirm_disabled.bmp", 34, 34, 32, kDisabledFill, {7, 8, 26, 26}, Kind::Glyph, "confirm.bmp"},
    {"cancel.bmp", 34, 34, 32, {231, 76, 60}, {7, 7, 26, 26}, Kind::Glyph, nullptr},
    {"cancel_disabled.bmp", 34, 34, 32, kDisabledFill, {7, 7, 26, 26}, Kind::Glyph, "cancel.bmp"},
    {"keyboard_disabled.bmp", 34, 34, 32, kDisabledFill, {1, 8, 32, 24}, Kind::Glyph, nullptr},
};

// Names the picture in test output instead of dumping its bytes.
void PrintTo(const Picture& p, std::ostream* os) { *os << p.file; }

const Picture& pictureNamed(const std::string& file) {
    for (const Picture& p : kPictures)
        if (file == p.file) return p;
    throw std::logic_error("no picture " + file);
}

std::string testName(const testing::TestParamInfo<Picture>& info) {
    std::string name = info.param.file;
    name = name.substr(0, name.find('.'));
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

Bmp load(const Picture& p) { return decodeBmp(readBytes(kArtworkDir / p.file)); }

// ---------------------------------------------------------------------------
// Reproducibility: the committed files are exactly what the generator makes.

class TempDir {
public:
    TempDir() {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("orv-artwork-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::set<std::string> bmpFilesIn(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".bmp") names.insert(entry.path().filename().string());
    return names;
}

std::set<std::string> tableFiles() {
    std::set<std::string> names;
    for (const Picture& p : kPictures) names.insert(p.file);
    return names;
}

int runGenerator(const fs::path& outDir) {
    const std::string command = "'" + kGenerator.string() + "' '" + outDir.string() + "'";
    return std::system(command.c_str());
}

TEST(ArtworkGenerator, WritesExactlyTheTablesPictures) {
    TempDir out;
    ASSERT_EQ(runGenerator(out.path()), 0) << kGenerator;
    EXPECT_EQ(bmpFilesIn(out.path()), tableFiles());
    EXPECT_EQ(bmpFilesIn(kArtworkDir), tableFiles());
}

class ArtworkRemade : public testing::TestWithParam<Picture> {};

TEST_P(ArtworkRemade, RemakesTheCommittedFilesByteForByte) {
    const Picture& p = GetParam();
    TempDir first;
    TempDir second;
    ASSERT_EQ(runGenerator(first.path()), 0) << kGenerator;
    ASSERT_EQ(runGenerator(second.path()), 0) << kGenerator;
    const auto made = readBytes(first.path() / p.file);
    ASSERT_FALSE(made.empty()) << p.file;
    EXPECT_EQ(made, readBytes(second.path() / p.file)) << p.file << " differs between two runs";
    EXPECT_EQ(made, readBytes(kArtworkDir / p.file))
        << p.file << ": committed file is stale; rerun orv-artgen into " << kArtworkDir;
}

INSTANTIATE_TEST_SUITE_P(Table, ArtworkRemade, testing::ValuesIn(kPictures), testName);

TEST(ArtworkGenerator, RejectsMissingOutputDirectoryArgument) {
    const std::string command = "'" + kGenerator.string() + "' >/dev/null 2>&1";
    EXPECT_NE(std::system(command.c_str()), 0);
}

// ---------------------------------------------------------------------------
// Every picture against its row of the table.

class ArtworkPicture : public testing::TestWithParam<Picture> {};

TEST_P(ArtworkPicture, IsAnUncompressedBitmapOfTheRightSize) {
    const Picture& p = GetParam();
    const Bmp bmp = load(p);
    ASSERT_EQ(bmp.error, "") << p.file;
    EXPECT_EQ(bmp.width, p.width);
    EXPECT_EQ(bmp.height, p.height);
    EXPECT_EQ(bmp.bitsPerPixel, p.bitsPerPixel);
    EXPECT_EQ(bmp.compression, 0u) << "not BI_RGB";
    EXPECT_TRUE(bmp.paddingIsZero);
}

TEST_P(ArtworkPicture, CarriesNoAlpha) {
    const Picture& p = GetParam();
    const Bmp bmp = load(p);
    ASSERT_EQ(bmp.error, "") << p.file;
    ASSERT_EQ(bmp.fourthBytes.size(), p.bitsPerPixel == 32 ? bmp.pixels.size() : 0u);
    const auto nonZero =
        std::count_if(bmp.fourthBytes.begin(), bmp.fourthBytes.end(), [](std::uint8_t v) { return v != 0; });
    EXPECT_EQ(nonZero, 0) << "pixels whose fourth byte is not 0";
}

TEST_P(ArtworkPicture, CornersAreTheBackground) {
    const Picture& p = GetParam();
    const Bmp bmp = load(p);
    ASSERT_EQ(bmp.error, "") << p.file;
    ASSERT_EQ(bmp.width, p.width);
    ASSERT_EQ(bmp.height, p.height);
    const std::array<std::pair<int, int>, 4> corners{
        {{0, 0}, {p.width - 1, 0}, {0, p.height - 1}, {p.width - 1, p.height - 1}}};
    for (const auto& [x, y] : corners)
        EXPECT_EQ(text(bmp.at(x, y)), text(p.background)) << "corner (" << x << "," << y << ")";
}

TEST_P(ArtworkPicture, MotifFillsExactlyItsBox) {
    const Picture& p = GetParam();
    const Bmp bmp = load(p);
    ASSERT_EQ(bmp.error, "") << p.file;
    EXPECT_EQ(text(extentOf(bmp, p.background)), text(p.motif));
}

TEST_P(ArtworkPicture, ColoursMatchTheTable) {
    const Picture& p = GetParam();
    const Bmp bmp = load(p);
    ASSERT_EQ(bmp.error, "") << p.file;

    if (p.kind == Kind::CheckPicture) {
        const std::map<Rgb, std::string> allowed{
            {p.background, "purple"},  {{0, 255, 0}, "bright green"}, {{0, 0, 132}, "navy"},
            {{132, 132, 132}, "grey"}, {{115, 123, 132}, "slate"},    {{0, 132, 0}, "dark green"},
        };
        std::map<Rgb, int> counts;
        for (const Rgb& c : bmp.pixels) ++counts[c];
        for (const auto& [colour, n] : counts)
            EXPECT_TRUE(allowed.contains(colour)) << n << " pixels of stray colour " << text(colour);
        for (const auto& [colour, name] : allowed) EXPECT_GT(counts[colour], 0) << name << " is not used";
        const Rgb darkGreen{0, 132, 0};
        EXPECT_EQ(counts[darkGreen], 2) << "dark-green pixels";
        return;
    }

    // Glyph: white blended into the background, with solid white somewhere.
    int brightest = -1;
    Rgb brightestPixel;
    int offLine = 0;
    for (int y = 0; y < bmp.height; ++y)
        for (int x = 0; x < bmp.width; ++x) {
            const Rgb& c = bmp.at(x, y);
            if (c.r + c.g + c.b > brightest) {
                brightest = c.r + c.g + c.b;
                brightestPixel = c;
            }
            if (coverageOf(c, p.background).empty()) {
                if (++offLine <= 5)
                    ADD_FAILURE() << text(c) << " at (" << x << "," << y << ") is not a blend of " << text(p.background)
                                  << " and white";
            }
        }
    EXPECT_EQ(offLine, 0);
    EXPECT_EQ(text(brightestPixel), text(Rgb{255, 255, 255}));
}

INSTANTIATE_TEST_SUITE_P(Table, ArtworkPicture, testing::ValuesIn(kPictures), testName);

// ---------------------------------------------------------------------------
// A disabled glyph is its enabled drawing on the disabled fill.

std::vector<Picture> disabledGlyphs() {
    std::vector<Picture> out;
    for (const Picture& p : kPictures)
        if (p.enabledVariant != nullptr) out.push_back(p);
    return out;
}

class DisabledGlyph : public testing::TestWithParam<Picture> {};

TEST_P(DisabledGlyph, IsTheEnabledDrawingOnTheDisabledFill) {
    const Picture& disabled = GetParam();
    const Picture& enabled = pictureNamed(disabled.enabledVariant);
    const Bmp off = load(disabled);
    const Bmp on = load(enabled);
    ASSERT_EQ(off.error, "") << disabled.file;
    ASSERT_EQ(on.error, "") << enabled.file;
    ASSERT_EQ(off.width, on.width);
    ASSERT_EQ(off.height, on.height);

    int mismatches = 0;
    for (int y = 0; y < on.height; ++y)
        for (int x = 0; x < on.width; ++x) {
            const Rgb& a = on.at(x, y);
            const Rgb& b = off.at(x, y);
            const bool drawnOn = !(a == enabled.background);
            const bool drawnOff = !(b == disabled.background);
            const Coverage ca = coverageOf(a, enabled.background);
            const Coverage cb = coverageOf(b, disabled.background);
            const Coverage both{std::max(ca.lo, cb.lo), std::min(ca.hi, cb.hi)};
            if (drawnOn != drawnOff || both.empty()) {
                if (++mismatches <= 5)
                    ADD_FAILURE() << "(" << x << "," << y << "): " << text(a) << " in " << enabled.file << " and "
                                  << text(b) << " in " << disabled.file << " are not the same coverage";
            }
        }
    EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(Table, DisabledGlyph, testing::ValuesIn(disabledGlyphs()), testName);

// ---------------------------------------------------------------------------
// The check picture's drawing: where its colours sit relative to each other.

class CheckPicture : public testing::Test {
protected:
    void SetUp() override {
        bmp = load(pictureNamed("check.bmp"));
        ASSERT_EQ(bmp.error, "");
        ASSERT_EQ(bmp.width, 43);
        ASSERT_EQ(bmp.height, 29);
    }
    bool is(int x, int y, const Rgb& c) const {
        return x >= 0 && y >= 0 && x < bmp.width && y < bmp.height && bmp.at(x, y) == c;
    }
    bool isBody(int x, int y) const { return is(x, y, kGreen) || is(x, y, kDarkGreen); }
    bool isEdge(int x, int y) const { return is(x, y, kNavy) || is(x, y, kGrey) || is(x, y, kSlate); }

    static constexpr Rgb kPurple{128, 0, 128};
    static constexpr Rgb kGreen{0, 255, 0};
    static constexpr Rgb kNavy{0, 0, 132};
    static constexpr Rgb kGrey{132, 132, 132};
    static constexpr Rgb kSlate{115, 123, 132};
    static constexpr Rgb kDarkGreen{0, 132, 0};
    Bmp bmp;
};

TEST_F(CheckPicture, DarkGreenMarksTheTopOfEachArm) {
    // The corner of the check is the lowest body pixel; one arm lies on
    // either side of it.
    int cornerX = -1, cornerY = -1;
    std::vector<std::pair<int, int>> dark;
    for (int y = 0; y < bmp.height; ++y)
        for (int x = 0; x < bmp.width; ++x) {
            if (isBody(x, y) && y > cornerY) {
                cornerX = x;
                cornerY = y;
            }
            if (is(x, y, kDarkGreen)) dark.emplace_back(x, y);
        }
    ASSERT_EQ(dark.size(), 2u);
    std::sort(dark.begin(), dark.end());
    EXPECT_LT(dark[0].first, cornerX) << "no dark-green pixel on the short arm";
    EXPECT_GT(dark[1].first, cornerX) << "no dark-green pixel on the long arm";
    for (const auto& [x, y] : dark) {
        for (int above = 0; above < y; ++above)
            EXPECT_TRUE(is(x, above, kPurple)) << "dark green at (" << x << "," << y << ") is not at the top";
        EXPECT_TRUE(is(x, y + 1, kGreen)) << "dark green at (" << x << "," << y << ") does not cap the body";
    }
    // The long arm reaches higher than the short one.
    EXPECT_LT(dark[1].second, dark[0].second);
}

TEST_F(CheckPicture, EdgeLiesAlongTheLowerRightSide) {
    int navy = 0;
    for (int y = 0; y < bmp.height; ++y)
        for (int x = 0; x < bmp.width; ++x) {
            if (is(x, y, kNavy)) {
                ++navy;
                // Navy borders the body from below or the right, never from
                // above or the left.
                EXPECT_TRUE(isBody(x - 1, y) || isBody(x, y - 1) || isBody(x - 1, y - 1))
                    << "navy at (" << x << "," << y << ") is not against the body's lower right";
                EXPECT_FALSE(isBody(x + 1, y) || isBody(x, y + 1))
                    << "navy at (" << x << "," << y << ") lies above or left of the body";
            }
            if (is(x, y, kGrey) || is(x, y, kSlate)) {
                // Grey and slate are further out: they never touch the body
                // and always follow the edge from its upper left.
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        EXPECT_FALSE(isBody(x + dx, y + dy))
                            << "grey/slate at (" << x << "," << y << ") touches the body";
                EXPECT_TRUE(isEdge(x - 1, y) || isEdge(x, y - 1) || isEdge(x - 1, y - 1))
                    << "grey/slate at (" << x << "," << y << ") is detached from the edge";
            }
        }
    EXPECT_GT(navy, 0);
}

TEST_F(CheckPicture, IsOneSolidShapeWithoutHoles) {
    // Flood from one pixel over 4-neighbours, through the pixels accepted by
    // `inside`; returns how many were reached.
    auto flood = [this](std::vector<std::pair<int, int>> stack, auto inside) {
        std::vector<char> seen(bmp.pixels.size(), 0);
        int reached = 0;
        while (!stack.empty()) {
            const auto [x, y] = stack.back();
            stack.pop_back();
            if (x < 0 || y < 0 || x >= bmp.width || y >= bmp.height || !inside(x, y)) continue;
            char& mark = seen[std::size_t(y) * std::size_t(bmp.width) + std::size_t(x)];
            if (mark) continue;
            mark = 1;
            ++reached;
            stack.insert(stack.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
        }
        return reached;
    };

    // The green body is a single piece.
    std::vector<std::pair<int, int>> bodyPixels;
    for (int y = 0; y < bmp.height; ++y)
        for (int x = 0; x < bmp.width; ++x)
            if (isBody(x, y)) bodyPixels.emplace_back(x, y);
    ASSERT_FALSE(bodyPixels.empty());
    EXPECT_EQ(flood({bodyPixels.front()}, [this](int x, int y) { return isBody(x, y); }), int(bodyPixels.size()))
        << "the green body falls apart";

    // Every purple pixel is reachable from the border: the mark encloses no
    // transparent holes, which would show through once the key colour is
    // made transparent.
    std::vector<std::pair<int, int>> border;
    int purple = 0;
    for (int y = 0; y < bmp.height; ++y)
        for (int x = 0; x < bmp.width; ++x) {
            if (is(x, y, kPurple)) ++purple;
            if (x == 0 || y == 0 || x == bmp.width - 1 || y == bmp.height - 1) border.emplace_back(x, y);
        }
    EXPECT_EQ(flood(border, [this](int x, int y) { return is(x, y, kPurple); }), purple)
        << "purple pixels enclosed by the mark";
}

// ---------------------------------------------------------------------------
// The dialog loads these through QImage: it must see the same pixels, opaque.

TEST_P(ArtworkPicture, LoadsInQImageAsTheSameOpaquePixels) {
    const Picture& p = GetParam();
    const Bmp bmp = load(p);
    ASSERT_EQ(bmp.error, "") << p.file;
    const QImage img(QString::fromStdString((kArtworkDir / p.file).string()));
    ASSERT_FALSE(img.isNull()) << p.file;
    ASSERT_EQ(img.width(), bmp.width);
    ASSERT_EQ(img.height(), bmp.height);
    EXPECT_FALSE(img.hasAlphaChannel());
    int differing = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb q = img.pixel(x, y);
            const Rgb c = bmp.at(x, y);
            if (qAlpha(q) != 255 || qRed(q) != c.r || qGreen(q) != c.g || qBlue(q) != c.b) ++differing;
        }
    EXPECT_EQ(differing, 0);
}

}  // namespace
