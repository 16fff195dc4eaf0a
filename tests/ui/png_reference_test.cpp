// The artwork decoded by the program's decoder and by the system's imaging component must
// be the same pixels: the windows look as they did when the system decoded them.

#include "ui/image_decode.h"
#include "win32/unique_handle.h"

#include <gtest/gtest.h>

#include <wincodec.h>
#include <wrl/client.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace kv::ui {
namespace {

std::vector<std::uint32_t> SystemDecode(IWICImagingFactory& factory, std::vector<BYTE>& file,
                                        int& width) {
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    UINT w = 0, h = 0;
    if (FAILED(factory.CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(file.data(), static_cast<DWORD>(file.size()))) ||
        FAILED(factory.CreateDecoderFromStream(stream.Get(), nullptr,
                                               WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&w, &h)) ||
        FAILED(factory.CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return {};
    }
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
    if (FAILED(converter->CopyPixels(nullptr, w * 4, w * h * 4,
                                     reinterpret_cast<BYTE*>(pixels.data())))) {
        return {};
    }
    width = static_cast<int>(w);
    return pixels;
}

TEST(PngReference, ArtworkDecodesAsTheSystemDecodesIt) {
    const win32::ComScope com;
    ComPtr<IWICImagingFactory> factory;
    ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr,
                                                CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)));
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KELVANE_ART_PNG_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<BYTE> file{std::istreambuf_iterator<char>(in), {}};
        int width = 0;
        const std::vector<std::uint32_t> expected = SystemDecode(*factory.Get(), file, width);
        ASSERT_FALSE(expected.empty()) << entry.path();
        const auto ours = DecodePng(file);
        ASSERT_TRUE(ours) << entry.path();
        EXPECT_EQ(ours->width, width) << entry.path();
        EXPECT_TRUE(ours->argb == expected) << entry.path();
        ++compared;
    }
    EXPECT_GE(compared, 28);
}

} // namespace
} // namespace kv::ui
