#pragma once
// The designs' fonts at a given DPI, with the nearest installed face.

#include "ui/design.h"
#include "win32/unique_handle.h"

namespace kv::ui {

win32::UniqueFont CreateDesignFont(const FontDesign& font, unsigned dpi);

} // namespace kv::ui
