#pragma once
// A window's design: its attributes and the table of its controls, positions in twips.
// Forms are built from these tables; code changes only a few properties at run time.

#include <cstdint>
#include <span>

namespace kv::ui {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    constexpr bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kLavender{192, 192, 255};
inline constexpr Rgb kTeal{0, 128, 128};
inline constexpr Rgb kBrownOrange{192, 64, 0};
inline constexpr Rgb kGreen{0, 128, 0};
inline constexpr Rgb kRed{192, 0, 0};
inline constexpr Rgb kDarkGrey{64, 64, 64};
inline constexpr Rgb kLinkBlue{0, 0, 255};

enum class Face : std::uint8_t { SansSerif, Tahoma };

struct FontDesign {
    Face face = Face::SansSerif;
    int hundredthsPt = 825; // 8.25 pt
    bool bold = false;
    bool underline = false;
};

enum class Kind : std::uint8_t {
    Label,
    Button,        // plain push button
    PictureButton, // push button with a picture above the caption
    TextBox,
    ListBox,
    Image,
    PictureBox, // holds other controls (the banner)
    Line,       // left/top is one end, width/height hold the other end's x/y
};

enum Flags : std::uint32_t {
    kNone = 0,
    kAutoSize = 1u << 0, // label sized to its one-line text
    kHidden = 1u << 1,   // never shown
    kNoPrefix = 1u << 2, // "&" is a character, not an access key
    kLink = 1u << 3,     // clickable, pointing-hand pointer
    kDefault = 1u << 4,  // Enter presses it
    kCancel = 1u << 5,   // Esc presses it
    kPassword = 1u << 6, // text box shows "*"
    kAlignRight = 1u << 7,
    kBorder = 1u << 8, // single-line border (images)
    // An autosized label that stops at the form's side margin (sideMarginTwips), ends in
    // "..." when longer and shows its whole text as a tooltip.
    kEllipsis = 1u << 9,
};

struct ControlDesign {
    int id = 0;
    const wchar_t* name = L""; // the control's name, also its accessible name for pictures
    Kind kind = Kind::Label;
    int parent = 0; // 0: the form; otherwise the id of the PictureBox that holds it
    int left = 0, top = 0, width = 0, height = 0; // twips, relative to the parent
    const wchar_t* text = L"";
    FontDesign font{};
    Rgb color = kBlack; // text colour, line colour, or a picture box's back colour
    int picture = 0;    // resource id of the picture (images, picture buttons, boxes)
    std::uint32_t flags = kNone;
    int tabIndex = -1; // focusable controls only; -1 takes no focus
};

enum class StartPosition : std::uint8_t { CenterScreen, CenterOwner };

struct FormDesign {
    const wchar_t* caption = L"";
    int clientWidth = 0, clientHeight = 0; // twips
    Rgb backColor = kWhite;
    bool systemBackColor = false; // the system's button-face colour instead of backColor
    int backPicture = 0;          // drawn from the top-left corner at its own size
    int backPictureWidth = 0, backPictureHeight = 0; // pixels at 96 DPI
    int icon = 0;
    bool taskbarButton = false;
    StartPosition position = StartPosition::CenterOwner;
    std::span<const ControlDesign> controls;
    // What the windowing layer takes from the program rather than knowing it itself:
    int linkPointer = 0;        // pointer resource of link labels; 0: the system's hand
    int hiDpiPictureOffset = 0; // a picture's double-resolution twin is at id + this; 0: none
    int sideMarginTwips = 0;    // how far from the right edge ellipsis labels stop
};

} // namespace kv::ui
