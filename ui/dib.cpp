#include "ui/dib.h"

namespace kv::ui {

Dib32 MakeDib32(int width, int height) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height; // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Dib32 dib;
    dib.bitmap.reset(::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    dib.bits = dib.bitmap ? static_cast<std::uint32_t*>(bits) : nullptr;
    return dib;
}

} // namespace kv::ui
