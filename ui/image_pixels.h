#pragma once
// A picture in memory as GDI blends it: 32-bit pixels 0xAARRGGBB with the colour already
// multiplied by the alpha, rows from the top.

#include <cstdint>
#include <vector>

namespace kv::ui {

struct ImagePixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};

} // namespace kv::ui
