#pragma once
// Artwork pictures: PNG resources decoded and scaled once to the size they are shown at,
// kept as premultiplied 32-bit bitmaps and drawn with their alpha.

#include "app/toolkit/unique_handle.h"

namespace kv::ui {

class Picture {
public:
    Picture() = default;

    // Loads resource `id` scaled to widthPx x heightPx, from its double-resolution twin
    // when that is larger than the plain one is. An empty Picture when it cannot.
    static Picture Load(int id, int widthPx, int heightPx);
    // The size the resource is drawn at 96 DPI.
    static SIZE DesignSize(int id);

    explicit operator bool() const { return static_cast<bool>(bitmap_); }
    int width() const { return width_; }
    int height() const { return height_; }
    HBITMAP bitmap() const { return bitmap_.get(); }

    // Blends the picture onto dc with its top-left corner at x, y.
    void Draw(HDC dc, int x, int y) const;

private:
    UniqueBitmap bitmap_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace kv::ui
