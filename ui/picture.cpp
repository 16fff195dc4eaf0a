#include "ui/picture.h"

#include "ui/dib.h"
#include "ui/image_decode.h"
#include "ui/image_scale.h"
#include "win32/report.h"

#include <cstring>
#include <optional>

namespace kv::ui {
namespace {

struct Resource {
    const void* data = nullptr;
    DWORD size = 0;
};

Resource FindPng(int id) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /*RCDATA*/);
    if (!info) {
        return {};
    }
    HGLOBAL loaded = ::LoadResource(module, info);
    if (!loaded) {
        return {};
    }
    return {::LockResource(loaded), ::SizeofResource(module, info)};
}

std::optional<ImagePixels> Decode(int id) {
    const Resource png = FindPng(id);
    if (!png.data) {
        return std::nullopt;
    }
    std::optional<ImagePixels> pixels =
        DecodePng({static_cast<const std::uint8_t*>(png.data), png.size});
    if (!pixels) {
        win32::Report(L"could not decode picture resource " + std::to_wstring(id));
    }
    return pixels;
}

} // namespace

SIZE Picture::DesignSize(int id) {
    const Resource png = FindPng(id);
    if (!png.data) {
        return {0, 0};
    }
    const auto size = ReadPngSize({static_cast<const std::uint8_t*>(png.data), png.size});
    return size ? SIZE{size->width, size->height} : SIZE{0, 0};
}

PictureLoader::PictureLoader(int hiDpiOffset) : hiDpiOffset_(hiDpiOffset) {}

std::shared_ptr<const Picture> PictureLoader::Load(int id, int widthPx, int heightPx) {
    const auto key = std::make_tuple(id, widthPx, heightPx);
    if (auto found = loaded_.find(key); found != loaded_.end()) {
        return found->second;
    }
    auto made = std::make_shared<Picture>();
    loaded_[key] = made;
    if (widthPx <= 0 || heightPx <= 0) {
        return made;
    }
    std::optional<ImagePixels> pixels = Decode(id);
    if (!pixels) {
        if (!FindPng(id).data) {
            win32::Report(L"missing picture resource " + std::to_wstring(id));
        }
        return made;
    }
    // Shrinking the double-size art looks better than enlarging the plain one.
    if ((pixels->width < widthPx || pixels->height < heightPx) && hiDpiOffset_) {
        if (std::optional<ImagePixels> twin = Decode(id + hiDpiOffset_)) {
            pixels = std::move(twin);
        }
    }
    // A picture shown at its own size (every one at 96 DPI, the twins at 192) is not resampled.
    if (pixels->width != widthPx || pixels->height != heightPx) {
        pixels = ScaleImage(*pixels, widthPx, heightPx);
        if (pixels->argb.empty()) {
            win32::Report(L"picture resource " + std::to_wstring(id) + L" not scaled to " +
                          std::to_wstring(widthPx) + L" x " + std::to_wstring(heightPx) +
                          L": beyond the bounds of a picture");
            return made;
        }
    }

    Dib32 dib = MakeDib32(widthPx, heightPx);
    if (!dib.bits) {
        win32::Report(L"CreateDIBSection failed for a picture");
        return made;
    }
    std::memcpy(dib.bits, pixels->argb.data(), pixels->argb.size() * sizeof(std::uint32_t));
    made->bitmap_ = std::move(dib.bitmap);
    made->width_ = widthPx;
    made->height_ = heightPx;
    return made;
}

void Picture::Draw(HDC dc, int x, int y) const {
    DrawStretched(dc, x, y, width_, height_);
}

void Picture::DrawStretched(HDC dc, int x, int y, int w, int h) const {
    if (!bitmap_) {
        return;
    }
    win32::UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    if (!memory) {
        return;
    }
    win32::ScopedSelect select(memory.get(), bitmap_.get());
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    // gdi32's own export: msimg32 (AlphaBlend) is not a KnownDLL and could be planted.
    ::GdiAlphaBlend(dc, x, y, w, h, memory.get(), 0, 0, width_, height_, blend);
}

} // namespace kv::ui
