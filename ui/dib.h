#pragma once
// Device-independent bitmaps whose pixels the program writes itself, rows from the top.

#include "win32/unique_handle.h"

#include <cstdint>

namespace kv::ui {

struct Dib32 {
    win32::UniqueBitmap bitmap;
    std::uint32_t* bits = nullptr; // width * height pixels 0xAARRGGBB; nullptr on failure
};

Dib32 MakeDib32(int width, int height);

} // namespace kv::ui
