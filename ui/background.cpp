#include "ui/background.h"

#include "ui/dib.h"
#include "ui/units.h"
#include "win32/report.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace kv::ui {
namespace {

std::vector<LineStroke> LinesOf(const FormDesign& design, unsigned dpi) {
    std::vector<LineStroke> lines;
    const int thickness = std::max(1, ScalePixels(1, dpi));
    for (const ControlDesign& d : design.controls) {
        if (d.kind == Kind::Line && d.parent == 0) {
            lines.push_back({{TwipsToPixels(d.left, dpi), TwipsToPixels(d.top, dpi)},
                             {TwipsToPixels(d.width, dpi), TwipsToPixels(d.height, dpi)},
                             ToColorRef(d.color),
                             thickness});
        }
    }
    return lines;
}

void DrawLines(HDC dc, const std::vector<LineStroke>& lines) {
    for (const LineStroke& line : lines) {
        win32::UniquePen pen(::CreatePen(PS_SOLID, line.thickness, line.color));
        win32::ScopedSelect usePen(dc, pen.get());
        ::MoveToEx(dc, line.from.x, line.from.y, nullptr);
        ::LineTo(dc, line.to.x, line.to.y);
    }
}

// The one colour of a picture whose pixels are all the same and opaque.
std::optional<COLORREF> PlainColour(const Picture& picture) {
    DIBSECTION section{};
    if (!picture || ::GetObjectW(picture.bitmap(), sizeof(section), &section) != sizeof(section) ||
        !section.dsBm.bmBits || section.dsBm.bmBitsPixel != 32) {
        return std::nullopt;
    }
    const auto* bits = static_cast<const std::uint32_t*>(section.dsBm.bmBits);
    const std::size_t count = static_cast<std::size_t>(picture.width()) * picture.height();
    if (count == 0 || (bits[0] >> 24) != 0xFF ||
        !std::all_of(bits, bits + count, [&](std::uint32_t p) { return p == bits[0]; })) {
        return std::nullopt;
    }
    return RGB((bits[0] >> 16) & 0xFF, (bits[0] >> 8) & 0xFF, bits[0] & 0xFF);
}

// A child's window rectangle in its container's client coordinates.
RECT RectInContainer(HWND child, HWND container) {
    RECT rc{};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, container, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

bool OnLines(const RECT& rc, const std::vector<LineStroke>& lines) {
    return std::any_of(lines.begin(), lines.end(), [&](const LineStroke& line) {
        const RECT stroke{std::min(line.from.x, line.to.x) - line.thickness,
                          std::min(line.from.y, line.to.y) - line.thickness,
                          std::max(line.from.x, line.to.x) + line.thickness + 1,
                          std::max(line.from.y, line.to.y) + line.thickness + 1};
        RECT common{};
        return ::IntersectRect(&common, &rc, &stroke) != FALSE;
    });
}

// The brush a child erases with, and the brush origin that lines it up with the child.
// A plain background lends its colour, except to a child over part of a line: that one
// gets a pattern of its own rectangle, made at its first paint and again when it moves.
HBRUSH BrushFor(Background& b, HWND child, HWND container, POINT& origin) {
    const RECT rc = RectInContainer(child, container);
    origin = {-rc.left, -rc.top};
    if (!b.plain || !OnLines(rc, b.lines)) {
        return b.brush.get();
    }
    origin = {0, 0};
    auto patch = std::find_if(b.patches.begin(), b.patches.end(),
                              [&](const Background::Patch& p) { return p.child == child; });
    if (patch != b.patches.end() && ::EqualRect(&patch->rect, &rc)) {
        return patch->brush.get();
    }
    const int width = std::max<int>(rc.right - rc.left, 1);
    const int height = std::max<int>(rc.bottom - rc.top, 1);
    Dib32 part = MakeDib32(width, height);
    win32::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!part.bits || !dc) {
        return b.brush.get(); // a gap in the line rather than no background at all
    }
    {
        win32::ScopedSelect select(dc.get(), part.bitmap.get());
        const RECT all{0, 0, width, height};
        ::FillRect(dc.get(), &all, b.brush.get());
        ::SetViewportOrgEx(dc.get(), -rc.left, -rc.top, nullptr);
        DrawLines(dc.get(), b.lines);
    }
    win32::UniqueBrush brush(::CreatePatternBrush(part.bitmap.get()));
    if (!brush) {
        return b.brush.get();
    }
    if (patch == b.patches.end()) {
        patch = b.patches.insert(b.patches.end(), Background::Patch{child, rc, {}});
    }
    patch->rect = rc;
    patch->brush = std::move(brush); // the child's old pattern is no longer selected
    return patch->brush.get();
}

// The form's background as one colour under its lines, when it is that.
std::optional<COLORREF> FormColour(const FormDesign& design, PictureLoader& pictures, unsigned dpi,
                                   COLORREF back, SIZE area) {
    if (!design.backPicture) {
        return back;
    }
    const SIZE size = Picture::DesignSize(design.backPicture);
    const auto colour = PlainColour(*pictures.Load(design.backPicture, size.cx, size.cy));
    const bool covers = ScalePixels(design.backPictureWidth, dpi) >= area.cx &&
                        ScalePixels(design.backPictureHeight, dpi) >= area.cy;
    return colour && (covers || *colour == back) ? colour : std::nullopt;
}

} // namespace

void ComposeBackground(Background& b, const FormDesign& design, PictureLoader& pictures,
                       unsigned dpi) {
    RECT rc{};
    ::GetClientRect(b.hwnd, &rc);
    const SIZE area{std::max<LONG>(rc.right, 1), std::max<LONG>(rc.bottom, 1)};
    const Rgb back = b.box ? b.box->color : design.backColor;
    const COLORREF backRef =
        (!b.box && design.systemBackColor) ? ::GetSysColor(COLOR_BTNFACE) : ToColorRef(back);
    if (!b.box) {
        const auto colour = FormColour(design, pictures, dpi, backRef, area);
        if (colour) {
            if (win32::UniqueBrush solid{::CreateSolidBrush(*colour)}) {
                b.plain = true;
                b.lines = LinesOf(design, dpi);
                b.patches.clear();
                b.size = area;
                b.brush = std::move(solid); // the old brush goes only now
                ::InvalidateRect(b.hwnd, nullptr, TRUE);
                return;
            }
        }
    }
    // Composed once into a bitmap that only lives until the pattern brush has its copy.
    Dib32 composed = MakeDib32(area.cx, area.cy);
    win32::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!composed.bits || !dc) {
        win32::Report(L"could not create a window background");
        return;
    }
    {
        win32::ScopedSelect select(dc.get(), composed.bitmap.get());
        win32::UniqueBrush fill(::CreateSolidBrush(backRef));
        ::FillRect(dc.get(), &rc, fill.get());

        if (b.box) {
            if (b.box->picture) {
                const SIZE size = Picture::DesignSize(b.box->picture);
                pictures.Load(b.box->picture, ScalePixels(size.cx, dpi), ScalePixels(size.cy, dpi))
                    ->Draw(dc.get(), 0, 0);
            }
        } else {
            if (design.backPicture) {
                // A plain picture: decoded small and stretched by GDI to its area.
                const SIZE size = Picture::DesignSize(design.backPicture);
                pictures.Load(design.backPicture, size.cx, size.cy)
                    ->DrawStretched(dc.get(), 0, 0, ScalePixels(design.backPictureWidth, dpi),
                                    ScalePixels(design.backPictureHeight, dpi));
            }
            DrawLines(dc.get(), LinesOf(design, dpi));
        }
    }
    win32::UniqueBrush brush(::CreatePatternBrush(composed.bitmap.get()));
    if (!brush) {
        win32::Report(L"could not create a window background");
        return; // the last one stays in use
    }
    b.plain = false;
    b.lines.clear();
    b.patches.clear();
    b.size = area;
    b.brush = std::move(brush); // the old brush goes only now, no label erases with it
    ::InvalidateRect(b.hwnd, nullptr, TRUE);
}

void PaintBackground(const Background* b, HWND container, UINT msg, WPARAM wParam) {
    auto paint = [&](HDC dc) {
        if (b && b->brush) {
            const RECT all{0, 0, b->size.cx, b->size.cy};
            ::SetBrushOrgEx(dc, 0, 0, nullptr);
            ::FillRect(dc, &all, b->brush.get());
            if (b->plain) {
                DrawLines(dc, b->lines);
            }
        }
    };
    if (msg == WM_PAINT) {
        win32::ScopedPaint ps(container);
        paint(ps.get());
    } else {
        paint(reinterpret_cast<HDC>(wParam));
    }
}

HBRUSH LendBackground(Background& b, HDC dc, HWND label, HWND container, Rgb textColor) {
    POINT origin{};
    HBRUSH brush = BrushFor(b, label, container, origin);
    ::SetTextColor(dc, ToColorRef(textColor));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
    return brush;
}

void DrawImage(Background* b, const DRAWITEMSTRUCT& item, HWND container, const Picture* picture) {
    if (b && b->brush) {
        POINT origin{};
        HBRUSH brush = BrushFor(*b, item.hwndItem, container, origin);
        ::SetBrushOrgEx(item.hDC, origin.x, origin.y, nullptr);
        ::FillRect(item.hDC, &item.rcItem, brush);
    }
    if (picture) {
        picture->Draw(item.hDC, item.rcItem.left, item.rcItem.top);
    }
}

} // namespace kv::ui
