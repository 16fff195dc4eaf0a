#pragma once
// Pictures resized for DPIs that no artwork is drawn for.

#include "ui/image_pixels.h"

namespace kv::ui {

// `from` at width x height by area averaging: each new pixel is the mean of the old pixels
// it covers, weighed by how much of each it covers. Premultiplied colour averages without
// dark fringes. Empty when either size is not positive or `from` is empty.
ImagePixels ScaleImage(const ImagePixels& from, int width, int height);

} // namespace kv::ui
