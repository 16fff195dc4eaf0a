#pragma once
// PNG pictures decoded to premultiplied pixels: every colour type and bit depth of the
// format, without interlacing (the artwork is never interlaced).

#include "ui/image_pixels.h"

#include <cstdint>
#include <optional>
#include <span>

namespace kv::ui {

// Nothing when the file is not a PNG this can decode, or is damaged.
std::optional<ImagePixels> DecodePng(std::span<const std::uint8_t> file);

struct PngSize {
    int width = 0;
    int height = 0;
};

// The size in the file's header, read without decoding it; nothing when it has none.
std::optional<PngSize> ReadPngSize(std::span<const std::uint8_t> file);

} // namespace kv::ui
