#pragma once
// Artwork pictures: PNG resources decoded and scaled once to the size they are shown at,
// kept as premultiplied 32-bit bitmaps and drawn with their alpha.

#include "win32/unique_handle.h"

#include <map>
#include <memory>
#include <tuple>

namespace kv::ui {

class Picture {
public:
    Picture() = default;

    // The size the resource is drawn at 96 DPI.
    static SIZE DesignSize(int id);

    explicit operator bool() const { return static_cast<bool>(bitmap_); }
    int width() const { return width_; }
    int height() const { return height_; }
    HBITMAP bitmap() const { return bitmap_.get(); }

    // Blends the picture onto dc with its top-left corner at x, y.
    void Draw(HDC dc, int x, int y) const;
    // Blends it stretched to w x h (for plain pictures, where nothing can blur).
    void DrawStretched(HDC dc, int x, int y, int w, int h) const;

private:
    friend class PictureLoader;
    win32::UniqueBitmap bitmap_;
    int width_ = 0;
    int height_ = 0;
};

// Loads the pictures of one layout pass: each picture decoded once per size however many
// controls show it. A picture's
// double-resolution twin has the resource id `id + hiDpiOffset` (0: no twins).
class PictureLoader {
public:
    explicit PictureLoader(int hiDpiOffset);
    PictureLoader(const PictureLoader&) = delete;
    PictureLoader& operator=(const PictureLoader&) = delete;

    // Resource `id` scaled to widthPx x heightPx, from its double-resolution twin when that
    // is larger than the plain one is; an empty Picture when it cannot be loaded.
    std::shared_ptr<const Picture> Load(int id, int widthPx, int heightPx);

private:
    int hiDpiOffset_;
    std::map<std::tuple<int, int, int>, std::shared_ptr<const Picture>> loaded_;
};

} // namespace kv::ui
