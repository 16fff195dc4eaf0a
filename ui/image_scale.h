#pragma once
// Pictures resized for DPIs that no artwork is drawn for.

#include "ui/image_pixels.h"

#include <cstddef>

namespace kv::ui {

// What one resize may hold in memory: its sums across (16 bytes a pixel) and its result
// (4 bytes a pixel). The largest artwork at five times its size stays below both.
inline constexpr std::size_t kMaxScaleBytes = std::size_t{8} << 20;

// `from` at width x height by area averaging: each new pixel is the mean of the old pixels
// it covers, weighed by how much of each it covers. Premultiplied colour averages without
// dark fringes. Empty, and nothing attempted, when either size is not positive, `from` is
// empty or larger than a decoded picture can be, or the work would need more than
// kMaxScaleBytes.
ImagePixels ScaleImage(const ImagePixels& from, int width, int height);

} // namespace kv::ui
