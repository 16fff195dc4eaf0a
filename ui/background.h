#pragma once
// What a container (the form or a picture box) draws under its transparent children: its
// colour, its picture and the form's lines, composed once per layout into a pattern brush
// that the container paints with and lends to its labels and images. A background of one
// colour under its lines needs no window-sized pattern (a megabyte and more for the life
// of the window): it is painted directly, and its children borrow a brush of that colour.

#include "ui/design.h"
#include "ui/picture.h"
#include "win32/unique_handle.h"

#include <vector>

namespace kv::ui {

inline COLORREF ToColorRef(Rgb c) {
    return RGB(c.r, c.g, c.b);
}

// A line of the form's design, in client pixels.
struct LineStroke {
    POINT from, to;
    COLORREF color;
    int thickness;
};

struct Background {
    HWND hwnd = nullptr;
    const ControlDesign* box = nullptr; // nullptr: the form itself
    win32::UniqueBrush brush;           // the composed background as a pattern, or its colour
    SIZE size{};
    bool plain = false;            // brush is one colour; `lines` are drawn over it
    std::vector<LineStroke> lines; // when plain
    struct Patch {                 // when plain: the pattern of a child over a line
        HWND child;
        RECT rect;
        win32::UniqueBrush brush;
    };
    std::vector<Patch> patches;
};

// Composes the background of b.hwnd at its client size, at `dpi`.
void ComposeBackground(Background& b, const FormDesign& design, PictureLoader& pictures,
                       unsigned dpi);

// WM_PAINT (wParam unused) or WM_PRINTCLIENT (wParam: the DC) of the container.
void PaintBackground(const Background* b, HWND container, UINT msg, WPARAM wParam);

// WM_CTLCOLORSTATIC of a transparent label in `container`: sets its text colour and hands
// out the brush, aligned with the label, that it erases with.
HBRUSH LendBackground(Background& b, HDC dc, HWND label, HWND container, Rgb textColor);

// WM_DRAWITEM of an image: its part of the background, then its picture (if any).
void DrawImage(Background* b, const DRAWITEMSTRUCT& item, HWND container, const Picture* picture);

} // namespace kv::ui
