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
    using Creator = win32::UniqueFont (*)(const FontDesign& font, unsigned dpi);
    // `create` makes each font; a test may pass one that fails.
    explicit FontCache(Creator create = &CreateDesignFont) : create_(create) {}

    // Frees every font: only when no control uses them any more.
    void Reset(unsigned dpi);
    // Starts the fonts of another DPI. The current ones stay alive until EndRenewal, so a
    // control never holds a freed font; one that cannot be created at the new DPI is the
    // current one, kept.
    void BeginRenewal(unsigned dpi);
    // Frees the fonts of the last DPI that were not kept; every control has its new font.
    void EndRenewal();
    HFONT Get(const FontDesign& font);

private:
    using Entry = std::pair<FontDesign, win32::UniqueFont>;
    Creator create_;
    unsigned dpi_ = 96;
    std::vector<Entry> fonts_;
    std::vector<Entry> previous_;
};

} // namespace kv::ui
