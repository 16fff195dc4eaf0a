#include "ui/png.h"

#include "ui/inflate.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kv::ui {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Far more than any window shows; it bounds what a damaged size field can make us allocate.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 24;

std::uint32_t Be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int depth = 0;
    int colorType = 0;

    int Channels() const {
        switch (colorType) {
        case 2:
            return 3;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            return 1; // grey, or a palette index
        }
    }
    std::size_t RowBytes() const {
        return (static_cast<std::size_t>(width) * Channels() * depth + 7) / 8;
    }
    // The distance the row filters look back: one pixel, or one byte for packed pixels.
    std::size_t FilterStep() const { return std::max(1, Channels() * depth / 8); }
};

bool ValidDepth(int colorType, int depth) {
    switch (colorType) {
    case 0:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

bool ReadHeader(const std::uint8_t* data, Header& h) {
    h.width = Be32(data);
    h.height = Be32(data + 4);
    h.depth = data[8];
    h.colorType = data[9];
    const bool standard = data[10] == 0 && data[11] == 0; // deflate, adaptive filters
    const bool interlaced = data[12] != 0;
    return h.width > 0 && h.height > 0 &&
           static_cast<std::uint64_t>(h.width) * h.height <= kMaxPixels &&
           ValidDepth(h.colorType, h.depth) && standard && !interlaced;
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) {
        return a;
    }
    return pb <= pc ? b : c;
}

// Undoes the row filters in place; each row keeps its leading filter byte.
bool Unfilter(Bytes& data, const Header& h) {
    const std::size_t row = h.RowBytes();
    const std::size_t step = h.FilterStep();
    for (std::size_t y = 0; y < h.height; ++y) {
        std::uint8_t* line = data.data() + y * (row + 1);
        const std::uint8_t filter = line[0];
        if (filter > 4) {
            return false;
        }
        std::uint8_t* cur = line + 1;
        const std::uint8_t* up = y > 0 ? cur - (row + 1) : nullptr;
        for (std::size_t i = 0; i < row; ++i) {
            const int a = i >= step ? cur[i - step] : 0;
            const int b = up ? up[i] : 0;
            const int c = (up && i >= step) ? up[i - step] : 0;
            int predicted = 0;
            switch (filter) {
            case 1:
                predicted = a;
                break;
            case 2:
                predicted = b;
                break;
            case 3:
                predicted = (a + b) / 2;
                break;
            case 4:
                predicted = Paeth(a, b, c);
                break;
            default:
                break;
            }
            cur[i] = static_cast<std::uint8_t>(cur[i] + predicted);
        }
    }
    return true;
}

// Sample `index` of a row at its full precision (16-bit samples are big-endian).
unsigned RawSample(const std::uint8_t* row, std::size_t index, int depth) {
    if (depth == 8) {
        return row[index];
    }
    if (depth == 16) {
        return (static_cast<unsigned>(row[index * 2]) << 8) | row[index * 2 + 1];
    }
    const std::size_t bit = index * depth;
    const int shift = 8 - depth - static_cast<int>(bit % 8);
    return (row[bit / 8] >> shift) & ((1u << depth) - 1);
}

// A sample scaled to eight bits: 16-bit samples keep their high byte, low-depth grey
// levels spread over the whole range.
unsigned ToByte(unsigned sample, int depth) {
    if (depth == 16) {
        return sample >> 8;
    }
    return depth == 8 ? sample : sample * 255 / ((1u << depth) - 1);
}

unsigned Premultiply(unsigned colour, unsigned alpha) {
    return (colour * alpha + 127) / 255;
}

struct Extras {
    std::vector<std::uint32_t> palette; // 0x00RRGGBB
    Bytes transparency;                 // tRNS as stored
};

bool Convert(const Bytes& data, const Header& h, const Extras& extras, ImagePixels& out) {
    const std::size_t row = h.RowBytes();
    // tRNS names one colour that is transparent (grey and colour types) or an alpha per
    // palette entry.
    const bool keyed = (h.colorType == 0 && extras.transparency.size() >= 2) ||
                       (h.colorType == 2 && extras.transparency.size() >= 6);
    std::array<unsigned, 3> key{};
    for (std::size_t i = 0; keyed && i < (h.colorType == 0 ? 1u : 3u); ++i) {
        key[i] = (static_cast<unsigned>(extras.transparency[i * 2]) << 8) |
                 extras.transparency[i * 2 + 1];
    }
    out.width = static_cast<int>(h.width);
    out.height = static_cast<int>(h.height);
    out.argb.resize(static_cast<std::size_t>(h.width) * h.height);
    std::uint32_t* pixel = out.argb.data();
    for (std::size_t y = 0; y < h.height; ++y) {
        const std::uint8_t* line = data.data() + y * (row + 1) + 1;
        for (std::size_t x = 0; x < h.width; ++x) {
            unsigned r = 0, g = 0, b = 0, a = 255;
            switch (h.colorType) {
            case 0:
            case 4: {
                const std::size_t at = h.colorType == 0 ? x : x * 2;
                const unsigned grey = RawSample(line, at, h.depth);
                r = g = b = ToByte(grey, h.depth);
                if (h.colorType == 4) {
                    a = ToByte(RawSample(line, at + 1, h.depth), h.depth);
                } else if (keyed && grey == key[0]) {
                    a = 0;
                }
                break;
            }
            case 3: {
                const unsigned index = RawSample(line, x, h.depth);
                if (index >= extras.palette.size()) {
                    return false;
                }
                r = (extras.palette[index] >> 16) & 0xFF;
                g = (extras.palette[index] >> 8) & 0xFF;
                b = extras.palette[index] & 0xFF;
                if (index < extras.transparency.size()) {
                    a = extras.transparency[index];
                }
                break;
            }
            default: { // 2 and 6
                const std::size_t at = x * static_cast<std::size_t>(h.Channels());
                const unsigned rr = RawSample(line, at, h.depth);
                const unsigned gg = RawSample(line, at + 1, h.depth);
                const unsigned bb = RawSample(line, at + 2, h.depth);
                r = ToByte(rr, h.depth);
                g = ToByte(gg, h.depth);
                b = ToByte(bb, h.depth);
                if (h.colorType == 6) {
                    a = ToByte(RawSample(line, at + 3, h.depth), h.depth);
                } else if (keyed && rr == key[0] && gg == key[1] && bb == key[2]) {
                    a = 0;
                }
                break;
            }
            }
            if (a != 255) {
                r = Premultiply(r, a);
                g = Premultiply(g, a);
                b = Premultiply(b, a);
            }
            *pixel++ = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    return true;
}

} // namespace

std::optional<PngSize> ReadPngSize(std::span<const std::uint8_t> file) {
    // The header chunk comes right after the signature: its length, "IHDR", then the size.
    if (file.size() < kSignature.size() + 16 ||
        !std::equal(kSignature.begin(), kSignature.end(), file.begin()) ||
        std::memcmp(&file[12], "IHDR", 4) != 0) {
        return std::nullopt;
    }
    return PngSize{static_cast<int>(Be32(&file[16])), static_cast<int>(Be32(&file[20]))};
}

std::optional<ImagePixels> DecodePng(std::span<const std::uint8_t> file) {
    if (file.size() < kSignature.size() ||
        !std::equal(kSignature.begin(), kSignature.end(), file.begin())) {
        return std::nullopt;
    }
    Header h;
    Extras extras;
    Bytes compressed;
    bool header = false, ended = false;
    std::size_t at = kSignature.size();
    while (!ended && file.size() - at >= 12) {
        const std::uint32_t length = Be32(&file[at]);
        if (length > file.size() - at - 12) {
            return std::nullopt;
        }
        const std::uint8_t* type = &file[at + 4];
        const std::uint8_t* data = &file[at + 8];
        auto is = [&](const char* name) {
            return std::memcmp(type, name, 4) == 0;
        };
        if (!header) {
            // The header comes first, and nothing can be read without it.
            if (!is("IHDR") || length != 13 || !ReadHeader(data, h)) {
                return std::nullopt;
            }
            header = true;
        } else if (is("PLTE")) {
            if (length % 3 != 0 || length / 3 > 256) {
                return std::nullopt;
            }
            for (std::uint32_t i = 0; i < length; i += 3) {
                extras.palette.push_back((static_cast<std::uint32_t>(data[i]) << 16) |
                                         (static_cast<std::uint32_t>(data[i + 1]) << 8) |
                                         data[i + 2]);
            }
        } else if (is("tRNS")) {
            extras.transparency.assign(data, data + length);
        } else if (is("IDAT")) {
            compressed.insert(compressed.end(), data, data + length);
        } else if (is("IEND")) {
            ended = true;
        }
        at += 12 + static_cast<std::size_t>(length); // the chunk, its length, type and CRC
    }
    if (!ended || compressed.empty() || (h.colorType == 3 && extras.palette.empty())) {
        return std::nullopt;
    }
    const std::size_t expected = static_cast<std::size_t>(h.height) * (h.RowBytes() + 1);
    std::optional<Bytes> data = Inflate(compressed, expected);
    if (!data || data->size() != expected || !Unfilter(*data, h)) {
        return std::nullopt;
    }
    ImagePixels out;
    if (!Convert(*data, h, extras, out)) {
        return std::nullopt;
    }
    return out;
}

} // namespace kv::ui
