#include "ui/picture.h"

#include "win32/report.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <cstring>

using Microsoft::WRL::ComPtr;

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

ComPtr<IWICImagingFactory> Factory() {
    ComPtr<IWICImagingFactory> factory;
    const HRESULT hr = ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_PPV_ARGS(&factory));
    if (FAILED(hr)) {
        win32::ReportHresult(L"CoCreateInstance(WICImagingFactory)", hr);
        return nullptr;
    }
    return factory;
}

ComPtr<IWICBitmapFrameDecode> Decode(IWICImagingFactory& factory, const Resource& png) {
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    HRESULT hr = factory.CreateStream(&stream);
    if (SUCCEEDED(hr)) {
        hr =
            stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(png.data)), png.size);
    }
    if (SUCCEEDED(hr)) {
        hr = factory.CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                             &decoder);
    }
    if (SUCCEEDED(hr)) {
        hr = decoder->GetFrame(0, &frame);
    }
    if (FAILED(hr)) {
        win32::ReportHresult(L"decoding a picture", hr);
        return nullptr;
    }
    return frame;
}

} // namespace

SIZE Picture::DesignSize(int id) {
    // The size is in the PNG's header (IHDR, big-endian, right after the signature): no
    // need to decode the picture to know it.
    const Resource png = FindPng(id);
    const auto* bytes = static_cast<const unsigned char*>(png.data);
    if (!bytes || png.size < 24 || std::memcmp(bytes + 12, "IHDR", 4) != 0) {
        return {0, 0};
    }
    auto be32 = [&](size_t at) {
        return static_cast<LONG>((static_cast<unsigned long>(bytes[at]) << 24) |
                                 (static_cast<unsigned long>(bytes[at + 1]) << 16) |
                                 (static_cast<unsigned long>(bytes[at + 2]) << 8) | bytes[at + 3]);
    };
    return {be32(16), be32(20)};
}

void ReleaseFactory(IWICImagingFactory* factory) noexcept {
    factory->Release();
}

PictureLoader::PictureLoader(int hiDpiOffset)
    : factory_(Factory().Detach()), hiDpiOffset_(hiDpiOffset) {}

PictureLoader::~PictureLoader() = default;

std::shared_ptr<const Picture> PictureLoader::Load(int id, int widthPx, int heightPx) {
    const auto key = std::make_tuple(id, widthPx, heightPx);
    if (auto found = loaded_.find(key); found != loaded_.end()) {
        return found->second;
    }
    auto made = std::make_shared<Picture>();
    loaded_[key] = made;
    Picture& picture = *made;
    if (widthPx <= 0 || heightPx <= 0 || !factory_) {
        return made;
    }
    Resource png = FindPng(id);
    if (!png.data) {
        win32::Report(L"missing picture resource " + std::to_wstring(id));
        return made;
    }
    IWICImagingFactory* factory = factory_.get();
    ComPtr<IWICBitmapFrameDecode> frame = Decode(*factory, png);
    UINT w = 0, h = 0;
    if (!frame || FAILED(frame->GetSize(&w, &h))) {
        return made;
    }
    // Shrinking the double-size art looks better than enlarging the plain one.
    if (static_cast<int>(w) < widthPx || static_cast<int>(h) < heightPx) {
        const Resource twin = hiDpiOffset_ ? FindPng(id + hiDpiOffset_) : Resource{};
        if (twin.data) {
            if (ComPtr<IWICBitmapFrameDecode> big = Decode(*factory, twin)) {
                frame = big;
            }
        }
    }

    // A picture shown at its own size (every one at 96 DPI) needs no scaler.
    ComPtr<IWICBitmapSource> source = frame;
    UINT sourceWidth = 0, sourceHeight = 0;
    HRESULT hr = frame->GetSize(&sourceWidth, &sourceHeight);
    if (SUCCEEDED(hr) && (sourceWidth != static_cast<UINT>(widthPx) ||
                          sourceHeight != static_cast<UINT>(heightPx))) {
        ComPtr<IWICBitmapScaler> scaler;
        hr = factory->CreateBitmapScaler(&scaler);
        if (SUCCEEDED(hr)) {
            hr = scaler->Initialize(frame.Get(), static_cast<UINT>(widthPx),
                                    static_cast<UINT>(heightPx), WICBitmapInterpolationModeFant);
        }
        source = scaler;
    }
    ComPtr<IWICFormatConverter> converter;
    if (SUCCEEDED(hr)) {
        hr = factory->CreateFormatConverter(&converter);
    }
    if (SUCCEEDED(hr)) {
        hr = converter->Initialize(source.Get(), GUID_WICPixelFormat32bppPBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom);
    }
    if (FAILED(hr)) {
        win32::ReportHresult(L"scaling a picture", hr);
        return made;
    }

    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = widthPx;
    bmi.bmiHeader.biHeight = -heightPx; // top-down, like WIC's rows
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win32::UniqueBitmap bitmap(
        ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) {
        win32::Report(L"CreateDIBSection failed for a picture");
        return made;
    }
    const UINT stride = static_cast<UINT>(widthPx) * 4;
    hr = converter->CopyPixels(nullptr, stride, stride * static_cast<UINT>(heightPx),
                               static_cast<BYTE*>(bits));
    if (FAILED(hr)) {
        win32::ReportHresult(L"copying a picture", hr);
        return made;
    }
    picture.bitmap_ = std::move(bitmap);
    picture.width_ = widthPx;
    picture.height_ = heightPx;
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
