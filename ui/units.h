#pragma once
// Designs are laid out in twips (1440 to the inch); this is the one place they become
// pixels, always at the DPI of the window they are shown in.

namespace kv::ui {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kDefaultDpi = 96;

// Rounds to the nearest pixel, like MulDiv(twips, dpi, 1440).
constexpr int TwipsToPixels(int twips, unsigned dpi) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    const long long half = kTwipsPerInch / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch
                                        : -((-scaled + half) / kTwipsPerInch));
}

// Artwork is drawn for 96 DPI; this scales a picture's pixel size the same way.
constexpr int ScalePixels(int pixelsAt96, unsigned dpi) {
    return TwipsToPixels(pixelsAt96 * (kTwipsPerInch / kDefaultDpi), dpi);
}

static_assert(TwipsToPixels(7215, 96) == 481);
static_assert(TwipsToPixels(8865, 96) == 591);
static_assert(TwipsToPixels(435, 144) == 44); // 43.5 rounds up, as MulDiv does

} // namespace kv::ui
