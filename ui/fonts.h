#pragma once
// The designs' fonts at a given DPI, with the nearest installed face.

#include "ui/design.h"
#include "win32/unique_handle.h"

#include <utility>
#include <vector>

namespace kv::ui {

win32::UniqueFont CreateDesignFont(const FontDesign& font, unsigned dpi);

// A form's fonts at its current DPI, each created once on first use.
class FontCache {
public:
    // Forgets every font (their handles are deleted) and creates the next ones at `dpi`.
    void Reset(unsigned dpi);
    HFONT Get(const FontDesign& font);

private:
    unsigned dpi_ = 96;
    std::vector<std::pair<FontDesign, win32::UniqueFont>> fonts_;
};

} // namespace kv::ui
