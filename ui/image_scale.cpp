#include "ui/image_scale.h"

#include "ui/image_decode.h"

#include <algorithm>
#include <array>

namespace kv::ui {
namespace {

struct Tap {
    int source;
    std::uint64_t weight;
};

// For each of `to` new pixels, the old ones it covers and how much of each, measured so
// that an old pixel is `to` long and a new one `from` long: the weights add up to `from`.
std::vector<std::vector<Tap>> Taps(int from, int to) {
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(to));
    for (int x = 0; x < to; ++x) {
        const std::int64_t begin = static_cast<std::int64_t>(x) * from;
        const std::int64_t end = begin + from;
        for (std::int64_t i = begin / to; i * to < end; ++i) {
            const std::int64_t overlap = std::min((i + 1) * to, end) - std::max(i * to, begin);
            taps[static_cast<std::size_t>(x)].push_back(
                {static_cast<int>(i), static_cast<std::uint64_t>(overlap)});
        }
    }
    return taps;
}

// Sums across fit 32 bits: at most 255 times the weights, which add up to a source width
// of at most kMaxImageSide.
using RowSums = std::array<std::uint32_t, 4>;
using Channels = std::array<std::uint64_t, 4>;

bool WithinBounds(const ImagePixels& from, int width, int height) {
    if (width <= 0 || height <= 0 || from.width <= 0 || from.height <= 0 ||
        from.width > kMaxImageSide || from.height > kMaxImageSide ||
        from.argb.size() != static_cast<std::size_t>(from.width) * from.height) {
        return false;
    }
    const auto across = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(from.height);
    const auto result = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    return across * sizeof(RowSums) <= kMaxScaleBytes &&
           result * sizeof(std::uint32_t) <= kMaxScaleBytes;
}

} // namespace

ImagePixels ScaleImage(const ImagePixels& from, int width, int height) {
    ImagePixels out;
    if (!WithinBounds(from, width, height)) {
        return out;
    }
    const auto across = Taps(from.width, width);
    const auto down = Taps(from.height, height);
    // Across first, sums kept whole; down second; divided once at the end.
    std::vector<RowSums> rows(static_cast<std::size_t>(width) * from.height);
    for (int y = 0; y < from.height; ++y) {
        const std::uint32_t* line = from.argb.data() + static_cast<std::size_t>(y) * from.width;
        for (int x = 0; x < width; ++x) {
            RowSums& sum = rows[static_cast<std::size_t>(y) * width + x];
            for (const Tap& tap : across[static_cast<std::size_t>(x)]) {
                for (int c = 0; c < 4; ++c) {
                    sum[c] += static_cast<std::uint32_t>(((line[tap.source] >> (8 * c)) & 0xFF) *
                                                         tap.weight);
                }
            }
        }
    }
    const std::uint64_t total =
        static_cast<std::uint64_t>(from.width) * static_cast<std::uint64_t>(from.height);
    out.width = width;
    out.height = height;
    out.argb.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Channels sum{};
            for (const Tap& tap : down[static_cast<std::size_t>(y)]) {
                const RowSums& row = rows[static_cast<std::size_t>(tap.source) * width + x];
                for (int c = 0; c < 4; ++c) {
                    sum[c] += row[c] * tap.weight;
                }
            }
            std::uint32_t pixel = 0;
            for (int c = 0; c < 4; ++c) {
                pixel |= static_cast<std::uint32_t>((sum[c] + total / 2) / total) << (8 * c);
            }
            out.argb[static_cast<std::size_t>(y) * width + x] = pixel;
        }
    }
    return out;
}

} // namespace kv::ui
