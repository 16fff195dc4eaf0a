#include "ui/button_images.h"

#include "ui/dib.h"
#include "ui/image_pixels.h"
#include "ui/units.h"
#include "win32/report.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kv::ui {
namespace {

bool PicturePixels(const Picture& picture, ImagePixels& out) {
    DIBSECTION section{};
    if (::GetObjectW(picture.bitmap(), sizeof(section), &section) != sizeof(section) ||
        !section.dsBm.bmBits || section.dsBm.bmBitsPixel != 32) {
        return false;
    }
    out.width = picture.width();
    out.height = picture.height();
    const auto* bits = static_cast<const std::uint32_t*>(section.dsBm.bmBits);
    out.argb.assign(bits, bits + static_cast<size_t>(out.width) * out.height);
    return true;
}

// The system's small shield at `size` pixels. Drawn once on black and once on white: what
// shows on black is the premultiplied colour, and how much the white shows through is the
// alpha, whatever form the icon is stored in.
bool ShieldPixels(int size, ImagePixels& out) {
    using LoadScaled = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    // Common Controls 6 has it (the manifest asks for them); the import library does not.
    const auto load = reinterpret_cast<LoadScaled>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"comctl32.dll"), "LoadIconWithScaleDown")));
    win32::UniqueIcon icon;
    if (!load || FAILED(load(nullptr, IDI_SHIELD, size, size, icon.put())) || !icon) {
        win32::Report(L"no shield icon");
        return false;
    }
    Dib32 dib = MakeDib32(size, size);
    win32::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!dib.bits || !dc) {
        return false;
    }
    const size_t count = static_cast<size_t>(size) * size;
    std::vector<std::uint32_t> onBlack(count), onWhite(count);
    {
        win32::ScopedSelect select(dc.get(), dib.bitmap.get());
        for (auto [background, copy] :
             {std::pair{0xFF000000u, &onBlack}, {0xFFFFFFFFu, &onWhite}}) {
            std::fill(dib.bits, dib.bits + count, background);
            ::DrawIconEx(dc.get(), 0, 0, icon.get(), size, size, 0, nullptr, DI_NORMAL);
            ::GdiFlush();
            std::memcpy(copy->data(), dib.bits, count * sizeof(std::uint32_t));
        }
    }
    out.width = out.height = size;
    out.argb.resize(count);
    for (size_t i = 0; i < count; ++i) {
        int seen = 0; // how much of the white shows through, over the three channels
        for (int shift : {0, 8, 16}) {
            seen += static_cast<int>((onWhite[i] >> shift) & 0xFF) -
                    static_cast<int>((onBlack[i] >> shift) & 0xFF);
        }
        const auto alpha = static_cast<std::uint32_t>(std::clamp(255 - seen / 3, 0, 255));
        out.argb[i] = (alpha << 24) | (onBlack[i] & 0x00FFFFFF);
    }
    return true;
}

void Place(const ImagePixels& from, std::uint32_t* to, int toWidth, int x, int y) {
    for (int row = 0; row < from.height; ++row) {
        std::memcpy(to + static_cast<size_t>(y + row) * toWidth + x,
                    from.argb.data() + static_cast<size_t>(row) * from.width,
                    static_cast<size_t>(from.width) * sizeof(std::uint32_t));
    }
}

win32::UniqueImageList ListOf(HBITMAP bitmap, int width, int height) {
    win32::UniqueImageList list(::ImageList_Create(width, height, ILC_COLOR32, 1, 0));
    if (list && ::ImageList_Add(list.get(), bitmap, nullptr) < 0) {
        list.reset();
    }
    return list;
}

} // namespace

win32::UniqueImageList MakeButtonImages(const Picture& picture, bool shield, unsigned dpi) {
    if (!picture) {
        return {};
    }
    if (!shield) {
        return ListOf(picture.bitmap(), picture.width(), picture.height());
    }
    ImagePixels art, badge;
    const int size = ::GetSystemMetricsForDpi(SM_CXSMICON, dpi);
    if (!PicturePixels(picture, art) || !ShieldPixels(size, badge)) {
        return {};
    }
    const int gap = ScalePixels(2, dpi);
    const int width = art.width + 2 * (badge.width + gap);
    const int height = std::max(art.height, badge.height);
    Dib32 dib = MakeDib32(width, height);
    if (!dib.bits) {
        return {};
    }
    std::fill(dib.bits, dib.bits + static_cast<size_t>(width) * height, 0u);
    // Level with the picture's foot, the nearest it comes to the caption below.
    Place(badge, dib.bits, width, 0, height - badge.height);
    Place(art, dib.bits, width, badge.width + gap, (height - art.height) / 2);
    return ListOf(dib.bitmap.get(), width, height);
}

} // namespace kv::ui
