// The artwork's pixels: PNG files of every colour type decoded to premultiplied pixels,
// pictures beyond the bounds refused, and resampling.

#include "ui/image_scale.h"
#include "ui/image_decode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kv::ui {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& out, std::uint32_t v) {
    for (int shift : {24, 16, 8, 0}) {
        out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

// A zlib stream of one stored block: what PNG writers that do not compress produce.
Bytes Stored(const Bytes& data) {
    Bytes out{0x78,
              0x01,
              0x01,
              static_cast<std::uint8_t>(data.size()),
              static_cast<std::uint8_t>(data.size() >> 8),
              static_cast<std::uint8_t>(~data.size()),
              static_cast<std::uint8_t>(~data.size() >> 8)};
    out.insert(out.end(), data.begin(), data.end());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    Put32(out, (b << 16) | a);
    return out;
}

void Chunk(Bytes& png, const char* type, const Bytes& data) {
    Put32(png, static_cast<std::uint32_t>(data.size()));
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    Put32(png, 0); // the CRC is not checked
}

struct PngPlan {
    std::uint32_t width, height;
    std::uint8_t depth, colorType;
    Bytes rows; // filtered scanlines, each with its filter byte
    Bytes palette = {};
    Bytes transparency = {};
    std::uint8_t interlace = 0;
};

Bytes MakePng(const PngPlan& s) {
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    Put32(header, s.width);
    Put32(header, s.height);
    header.insert(header.end(), {s.depth, s.colorType, 0, 0, s.interlace});
    Chunk(png, "IHDR", header);
    if (!s.palette.empty()) {
        Chunk(png, "PLTE", s.palette);
    }
    if (!s.transparency.empty()) {
        Chunk(png, "tRNS", s.transparency);
    }
    Chunk(png, "IDAT", Stored(s.rows));
    Chunk(png, "IEND", {});
    return png;
}

TEST(Png, DecodesEveryColourTypeToPremultipliedPixels) {
    const struct {
        const char* name;
        PngPlan plan;
        std::vector<std::uint32_t> expected;
    } cases[] = {
        {"opaque colour", {2, 1, 8, 2, {0, 10, 20, 30, 200, 100, 50}}, {0xFF0A141E, 0xFFC86432}},
        {"colour with alpha, premultiplied and rounded",
         {2, 1, 8, 6, {0, 3, 5, 7, 128, 255, 255, 255, 0}},
         {0x80020304, 0x00000000}},
        {"16-bit colour keeps the high byte",
         {1, 1, 16, 2, {0, 0x12, 0xFF, 0x34, 0x00, 0x56, 0x80}},
         {0xFF123456}},
        {"1-bit grey spreads over the whole range",
         {3, 1, 1, 0, {0, 0b10100000}},
         {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}},
        {"grey with alpha", {1, 1, 8, 4, {0, 100, 51}}, {0x33141414}},
        {"grey with a transparent level",
         {2, 1, 8, 0, {0, 7, 8}, {}, {0, 7}},
         {0x00000000, 0xFF080808}},
        {"2-bit palette with an alpha per entry",
         {3, 1, 2, 3, {0, 0b00011000}, {1, 2, 3, 40, 50, 60, 70, 80, 90}, {255, 0}},
         {0xFF010203, 0x00000000, 0xFF46505A}},
    };
    for (const auto& c : cases) {
        const auto image = DecodePng(MakePng(c.plan));
        ASSERT_TRUE(image) << c.name;
        EXPECT_EQ(image->width, static_cast<int>(c.plan.width)) << c.name;
        EXPECT_EQ(image->argb, c.expected) << c.name;
    }
}

TEST(Png, RefusesDamagedFilesAndPicturesBeyondTheBounds) {
    const PngPlan good{2, 1, 8, 2, {0, 1, 2, 3, 4, 5, 6}};
    auto changed = [&](auto change) {
        PngPlan s = good;
        change(s);
        return MakePng(s);
    };
    Bytes badSignature = MakePng(good);
    badSignature[1] = 'J';
    Bytes cutOff = MakePng(good);
    cutOff.resize(40);
    const struct {
        const char* name;
        Bytes file;
        bool sizeReadable; // the header is sound; the pixels are not
    } cases[] = {
        {"not a PNG", badSignature, false},
        {"cut off in its pixels", cutOff, true},
        {"too little pixel data", changed([](PngPlan& s) { s.rows.resize(4); }), true},
        {"empty picture", changed([](PngPlan& s) { s.width = 0; }), false},
        {"wider than any artwork", changed([](PngPlan& s) { s.width = kMaxImageSide + 1; }), false},
        {"more pixels than any artwork", changed([](PngPlan& s) {
             s.width = kMaxImageSide;
             s.height = kMaxImageSide;
         }),
         false},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(DecodePng(c.file)) << c.name;
        EXPECT_EQ(ReadPngSize(c.file).has_value(), c.sizeReadable) << c.name;
    }
    const auto size = ReadPngSize(MakePng(good));
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 2);
    EXPECT_EQ(size->height, 1);
}

TEST(Png, DecodesTheArtwork) {
    int decoded = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KELVANE_ART_PNG_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const Bytes file{std::istreambuf_iterator<char>(in), {}};
        const auto image = DecodePng(file);
        ASSERT_TRUE(image) << entry.path();
        EXPECT_GE(image->width, 16) << entry.path();
        if (entry.path().filename() == "background.png") {
            EXPECT_EQ(image->argb.front(), 0xFFE6EAF2u); // plain (230, 234, 242)
        }
        ++decoded;
    }
    EXPECT_GE(decoded, 28);
}

TEST(ScaleImage, AveragesWhatEachNewPixelCovers) {
    const struct {
        const char* name;
        int fromWidth, fromHeight;
        std::vector<std::uint32_t> from;
        int width, height;
        std::vector<std::uint32_t> expected;
    } cases[] = {
        {"halved: the mean of four",
         2,
         2,
         {0xFF000000, 0xFF040404, 0xFF080808, 0xFF0C0C0C},
         1,
         1,
         {0xFF060606}},
        {"doubled: each pixel repeated",
         2,
         1,
         {0xFF000000, 0xFFFFFFFF},
         4,
         1,
         {0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF}},
        {"three to two: the middle pixel shared",
         3,
         1,
         {0xFF000000, 0xFF606060, 0xFFC0C0C0},
         2,
         1,
         {0xFF202020, 0xFFA0A0A0}},
        {"premultiplied: transparent neighbours add no colour",
         2,
         1,
         {0xFF0000FF, 0x00000000},
         1,
         1,
         {0x80000080}},
    };
    for (const auto& c : cases) {
        const ImagePixels from{c.fromWidth, c.fromHeight, c.from};
        EXPECT_EQ(ScaleImage(from, c.width, c.height).argb, c.expected) << c.name;
    }
    const ImagePixels square{2, 2, std::vector<std::uint32_t>(4)};
    EXPECT_TRUE(ScaleImage(square, 0, 3).argb.empty());
}

TEST(ScaleImage, RefusesWorkBeyondItsBoundsButScalesTheArtworkAtFiveTimes) {
    // The wide banner's twin (1296 x 160) at 480 DPI, 3240 wide: its sums across are the
    // most any artwork needs (one row down keeps the test quick).
    const ImagePixels banner{1296, 160, std::vector<std::uint32_t>(1296 * 160, 0xFF102030)};
    const ImagePixels scaled = ScaleImage(banner, 3240, 1);
    ASSERT_EQ(scaled.argb.size(), 3240u);
    EXPECT_EQ(scaled.argb.back(), 0xFF102030u);

    const ImagePixels tall{1, kMaxImageSide, std::vector<std::uint32_t>(kMaxImageSide)};
    EXPECT_TRUE(ScaleImage(tall, 1024, kMaxImageSide).argb.empty()) << "32 MiB of sums";
    const ImagePixels square{2, 2, std::vector<std::uint32_t>(4)};
    EXPECT_TRUE(ScaleImage(square, 4096, 4096).argb.empty()) << "64 MiB of pixels";
    const ImagePixels tooWide{kMaxImageSide + 1, 1, std::vector<std::uint32_t>(kMaxImageSide + 1)};
    EXPECT_TRUE(ScaleImage(tooWide, 2, 1).argb.empty()) << "no decoded picture is that wide";
}

} // namespace
} // namespace kv::ui
