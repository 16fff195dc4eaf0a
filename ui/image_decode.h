#pragma once
// The artwork's PNG files decoded to the pixels GDI blends (ui/image_pixels.h).

#include "ui/image_pixels.h"

#include <cstdint>
#include <optional>
#include <span>

namespace kv::ui {

// The largest picture decoded, well above the largest artwork (1296 x 160): a damaged or
// foreign size field is refused before anything is allocated for it.
inline constexpr int kMaxImageSide = 2048;
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 20;

// Nothing when the file is not a PNG, is damaged, or is larger than the bounds above.
std::optional<ImagePixels> DecodePng(std::span<const std::uint8_t> file);

struct ImageSize {
    int width = 0;
    int height = 0;
};

// The size in the file's header, read without decoding the pixels; nothing when it has
// none or it is beyond the bounds.
std::optional<ImageSize> ReadPngSize(std::span<const std::uint8_t> file);

// Bytes R, G, B, A per pixel (as decoders give them) to 0xAARRGGBB with the colour
// multiplied by the alpha, rounded to the nearest.
void PremultiplyRgba(std::span<const std::uint8_t> rgba, std::span<std::uint32_t> argb);

} // namespace kv::ui
