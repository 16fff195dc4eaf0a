// The one translation unit that compiles the PNG decoder (stb_image, header only): PNG
// alone, from memory alone, no failure strings, sizes bounded.

#include "ui/image_decode.h"

#include <cstdlib>
#include <limits>
#include <memory>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_FAILURE_STRINGS
#define STBI_MAX_DIMENSIONS 2048
#include <stb_image.h>

namespace kv::ui {

static_assert(STBI_MAX_DIMENSIONS == kMaxImageSide);

namespace {

struct StbiFree {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

bool Fits(std::span<const std::uint8_t> file) {
    return !file.empty() &&
           file.size() <= static_cast<std::size_t>(std::numeric_limits<int>::max());
}

bool WithinBounds(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           std::int64_t{width} * height <= kMaxImagePixels;
}

} // namespace

void PremultiplyRgba(std::span<const std::uint8_t> rgba, std::span<std::uint32_t> argb) {
    for (std::size_t i = 0; i < argb.size() && 4 * i + 3 < rgba.size(); ++i) {
        const std::uint8_t* p = &rgba[4 * i];
        const std::uint32_t a = p[3];
        const auto times = [a](std::uint32_t colour) {
            return a == 255 ? colour : (colour * a + 127) / 255;
        };
        argb[i] = (a << 24) | (times(p[0]) << 16) | (times(p[1]) << 8) | times(p[2]);
    }
}

std::optional<ImageSize> ReadPngSize(std::span<const std::uint8_t> file) {
    int width = 0, height = 0, channels = 0;
    if (!Fits(file) ||
        !stbi_info_from_memory(file.data(), static_cast<int>(file.size()), &width, &height,
                               &channels) ||
        !WithinBounds(width, height)) {
        return std::nullopt;
    }
    return ImageSize{width, height};
}

std::optional<ImagePixels> DecodePng(std::span<const std::uint8_t> file) {
    // The header first: a picture beyond the bounds is refused before its pixels are.
    if (!ReadPngSize(file)) {
        return std::nullopt;
    }
    int width = 0, height = 0, channels = 0;
    const std::unique_ptr<stbi_uc, StbiFree> rgba(stbi_load_from_memory(
        file.data(), static_cast<int>(file.size()), &width, &height, &channels, 4));
    if (!rgba || !WithinBounds(width, height)) {
        return std::nullopt;
    }
    ImagePixels out;
    out.width = width;
    out.height = height;
    out.argb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    PremultiplyRgba({rgba.get(), out.argb.size() * 4}, out.argb);
    return out;
}

} // namespace kv::ui
