// The artwork's pixels: zlib streams, PNG files of every colour type, and resampling.

#include "ui/image_scale.h"
#include "ui/inflate.h"
#include "ui/png.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kv::ui {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

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

TEST(Inflate, DecodesEachKindOfBlock) {
    const struct {
        const char* name;
        Bytes stream;
        Bytes expected;
    } cases[] = {
        {"stored",
         {0x78, 0x01, 0x01, 0x03, 0x00, 0xfc, 0xff, 0x61, 0x62, 0x63, 0x02, 0x4d, 0x01, 0x27},
         Text("abc")},
        {"fixed codes, with copies that overlap",
         {0x78, 0xda, 0xcb, 0x48, 0xcd, 0xc9, 0xc9, 0xd7, 0x51, 0xc8, 0xc0, 0xa4, 0x14, 0x01, 0x85,
          0x6c, 0x09, 0x56},
         Text("hello, hello, hello, hello!")},
        {"empty", {0x78, 0xda, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}, {}},
        {"dynamic codes",
         {0x78, 0xda, 0x3d, 0x4e, 0x81, 0x11, 0x00, 0x21, 0x08, 0x9a, 0x15, 0x34, 0xf6, 0x1f,
          0xe1, 0x45, 0xfa, 0xf4, 0x32, 0x0e, 0x41, 0xa5, 0x30, 0xe9, 0xa8, 0x80, 0x79, 0x6d,
          0x0e, 0x58, 0x5c, 0x53, 0x5a, 0xe6, 0x9c, 0x51, 0x50, 0xbf, 0x45, 0x09, 0xe8, 0x4c,
          0x65, 0x60, 0x04, 0x7a, 0x73, 0x45, 0xaa, 0x51, 0xda, 0x31, 0xcf, 0x60, 0x75, 0x45,
          0x51, 0x8f, 0xcb, 0xdf, 0xee, 0x71, 0xd7, 0xfb, 0x0a, 0x0f, 0x87, 0x29, 0x90, 0x77,
          0xc9, 0xca, 0xae, 0x77, 0x6f, 0x14, 0x3e, 0xdf, 0x62, 0x4e, 0x9f},
         Text("bfafafffffcafafffaffdfafaaaffaffcfafdfffdfdfdffafffabffafffffcfffffffafefffbffff"
              "afffabffffafaffffffbbfdacffdffffffffffaffbffcfaffffcffffffafffffffadfbffbaffafa"
              "aafafefafbffabbffbffffffffaaffffcfaffcffa")},
    };
    for (const auto& c : cases) {
        const auto out = Inflate(c.stream, 1000);
        ASSERT_TRUE(out) << c.name;
        EXPECT_EQ(*out, c.expected) << c.name;
    }
}

TEST(Inflate, RefusesDamagedStreams) {
    const Bytes good{0x78, 0xda, 0xcb, 0x48, 0xcd, 0xc9, 0xc9, 0xd7, 0x51,
                     0xc8, 0xc0, 0xa4, 0x14, 0x01, 0x85, 0x6c, 0x09, 0x56};
    auto with = [&](std::size_t at, std::uint8_t value) {
        Bytes b = good;
        b[at] = value;
        return b;
    };
    const struct {
        const char* name;
        Bytes stream;
        std::size_t limit;
    } cases[] = {
        {"wrong checksum", with(17, 0x57), 1000},
        {"not deflate", with(0, 0x79), 1000},
        {"header check fails", with(1, 0xdb), 1000},
        {"cut short", Bytes(good.begin(), good.end() - 6), 1000},
        {"longer than allowed", good, 10},
        {"reserved block type", {0x78, 0x01, 0x07, 0x00, 0x00, 0x00, 0x01}, 1000},
        {"stored length and its complement disagree",
         {0x78, 0x01, 0x01, 0x03, 0x00, 0xfc, 0xfe, 0x61, 0x62, 0x63, 0x02, 0x4d, 0x01, 0x27},
         1000},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(Inflate(c.stream, c.limit)) << c.name;
    }
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

TEST(Png, UndoesEveryRowFilter) {
    // Two grey pixels per row; each row after the first is filtered against the one above.
    const PngPlan plan{2,
                       5,
                       8,
                       0,
                       {0, 10, 20, // none
                        1, 30, 5,  // sub: 30, 35
                        2, 1, 1,   // up: 31, 36
                        3, 4, 10,  // average: 4 + 31/2 = 19, 10 + (19 + 36)/2 = 37
                        4, 1, 1}}; // Paeth: 1 + 19 = 20, 1 + 37 = 38
    const auto image = DecodePng(MakePng(plan));
    ASSERT_TRUE(image);
    std::vector<int> greys;
    for (std::uint32_t p : image->argb) {
        greys.push_back(static_cast<int>(p & 0xFF));
    }
    EXPECT_EQ(greys, (std::vector<int>{10, 20, 30, 35, 31, 36, 19, 37, 20, 38}));
}

TEST(Png, RefusesWhatItCannotDecode) {
    const PngPlan good{2, 1, 8, 2, {0, 1, 2, 3, 4, 5, 6}};
    auto changed = [&](auto change) {
        PngPlan s = good;
        change(s);
        return MakePng(s);
    };
    Bytes noEnd = MakePng(good);
    noEnd.resize(noEnd.size() - 12);
    Bytes badSignature = MakePng(good);
    badSignature[1] = 'J';
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"not a PNG", badSignature},
        {"no end", noEnd},
        {"interlaced", changed([](PngPlan& s) { s.interlace = 1; })},
        {"too little pixel data", changed([](PngPlan& s) { s.rows.pop_back(); })},
        {"unknown row filter", changed([](PngPlan& s) { s.rows[0] = 5; })},
        {"no such depth for colour", changed([](PngPlan& s) { s.depth = 4; })},
        {"palette index past the palette", changed([](PngPlan& s) {
             s.colorType = 3;
             s.width = 6;
             s.palette = {1, 2, 3};
         })},
        {"empty picture", changed([](PngPlan& s) { s.width = 0; })},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(DecodePng(c.file)) << c.name;
    }
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

} // namespace
} // namespace kv::ui
