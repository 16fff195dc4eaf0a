#include "ui/fonts.h"

#include <algorithm>
#include <cwchar>

namespace kv::ui {
namespace {

bool FaceInstalled(const wchar_t* face) {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(query.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    win32::ScopedWindowDc dc(nullptr);
    ::EnumFontFamiliesExW(
        dc.get(), &query,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM param) -> int {
            *reinterpret_cast<bool*>(param) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// The designs ask for "MS Sans Serif", a bitmap font on Windows that cannot scale with
// the DPI; its scalable successor is used where it exists, else the nearest in width
// (Arial's metrics; Liberation Sans is Arial's metric twin where Wine runs).
const wchar_t* SansSerifFace() {
    static const wchar_t* face = [] {
        for (const wchar_t* candidate :
             {L"Microsoft Sans Serif", L"Arial", L"Liberation Sans", L"Tahoma"}) {
            if (FaceInstalled(candidate)) {
                return candidate;
            }
        }
        return L"MS Shell Dlg";
    }();
    return face;
}

} // namespace

win32::UniqueFont CreateDesignFont(const FontDesign& font, unsigned dpi) {
    LOGFONTW lf{};
    // Rounded down, never up: text then grows no faster than the layout it sits in, so a
    // label that just holds its text at 96 DPI still holds it at 144 (8.25 pt: 16 px, not 17).
    lf.lfHeight = -(font.hundredthsPt * static_cast<int>(dpi) / 7200);
    lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = font.underline ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    const wchar_t* face = font.face == Face::Tahoma ? L"Tahoma" : SansSerifFace();
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return win32::UniqueFont(::CreateFontIndirectW(&lf));
}

void FontCache::Reset(unsigned dpi) {
    dpi_ = dpi;
    fonts_.clear();
    previous_.clear();
}

void FontCache::BeginRenewal(unsigned dpi) {
    dpi_ = dpi;
    for (Entry& entry : fonts_) {
        previous_.push_back(std::move(entry));
    }
    fonts_.clear();
}

void FontCache::EndRenewal() {
    previous_.clear();
}

HFONT FontCache::Get(const FontDesign& font) {
    auto same = [&](const Entry& entry) {
        const FontDesign& d = entry.first;
        return d.face == font.face && d.hundredthsPt == font.hundredthsPt && d.bold == font.bold &&
               d.underline == font.underline;
    };
    if (auto it = std::find_if(fonts_.begin(), fonts_.end(), same); it != fonts_.end()) {
        return it->second.get();
    }
    win32::UniqueFont created = create_(font, dpi_);
    if (!created) {
        // The font of the last DPI is better than none: it stays in use.
        if (auto it = std::find_if(previous_.begin(), previous_.end(), same);
            it != previous_.end()) {
            created = std::move(it->second);
            previous_.erase(it);
        }
    }
    fonts_.emplace_back(font, std::move(created));
    return fonts_.back().second.get();
}

} // namespace kv::ui
