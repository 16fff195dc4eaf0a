// The About window's design: positions and sizes in twips.

#include "info/frm_About_design.h"

#include "info/author.h"
#include "art/art_ids.h"
#include "info/frm_About_ids.h"

#include <array>
#include <cstddef>

namespace kv::info {
namespace {

using namespace ui;
using A = AboutIds;

// Joins two string literals at compile time, so the table can point at the result.
template <std::size_t N, std::size_t M>
constexpr std::array<wchar_t, N + M - 1> Join(const wchar_t (&a)[N], const wchar_t (&b)[M]) {
    std::array<wchar_t, N + M - 1> joined{};
    for (std::size_t i = 0; i + 1 < N; ++i) {
        joined[i] = a[i];
    }
    for (std::size_t i = 0; i < M; ++i) {
        joined[N - 1 + i] = b[i];
    }
    return joined;
}

constexpr auto kCellLine = Join(L"Cell No.: ", author::kPhone);

constexpr FontDesign kNormal{};
constexpr FontDesign kBold{Face::SansSerif, 825, true};
constexpr FontDesign kTahoma{Face::Tahoma, 825};
constexpr FontDesign kTahomaBold{Face::Tahoma, 825, true};
constexpr FontDesign kTahomaUnderlined{Face::Tahoma, 825, false, true};

constexpr ControlDesign kControls[] = {
    // Banner and the labels on it (positions relative to the banner).
    {A::Picture1, L"Picture1", Kind::PictureBox, 0, 0, 0, 4215, 1050, L"", kNormal, kLavender,
     IDP_BANNER},
    {A::Label4, L"Label4", Kind::Label, A::Picture1, 1170, 270, 1575, 195, L"Kelvane", kBold,
     kWhite, 0, kAutoSize},
    {A::Label1, L"Label1", Kind::Label, A::Picture1, 1170, 540, 975, 195, L"Version: 2.0.0",
     kNormal, kWhite, 0, kAutoSize},

    // The author's details.
    {A::Label11, L"Label11", Kind::Label, 0, 855, 1170, 2130, 195, author::kContactCaption,
     kTahomaUnderlined, kBlack, 0, kAutoSize | kNoPrefix},
    {A::Label9, L"Label9", Kind::Label, 0, 1080, 1440, 1590, 195, author::kName, kTahomaBold,
     kBlack, 0, kAutoSize | kNoPrefix},
    {A::Label3, L"Label3", Kind::Label, 0, 1080, 1665, 1575, 195, author::kTown, kTahoma, kBlack, 0,
     kAutoSize | kNoPrefix},
    {A::Label5, L"Label5", Kind::Label, 0, 1080, 1890, 2010, 195, kCellLine.data(), kTahoma, kBlack,
     0, kAutoSize | kNoPrefix},
    {A::Label8, L"Label8", Kind::Label, 0, 1080, 2115, 525, 195, L"E-mail :", kTahoma, kBlack, 0,
     kAutoSize | kAlignRight},
    {A::Label10, L"Label10", Kind::Label, 0, 1710, 2115, 1710, 195, author::kEmail, kTahoma,
     kLinkBlue, 0, kAutoSize | kNoPrefix},
    {A::Label7, L"Label7", Kind::Label, 0, 1710, 2340, 1620, 195, author::kEmail2, kTahoma,
     kLinkBlue, 0, kAutoSize | kNoPrefix},
    {A::Label6, L"Label6", Kind::Label, 0, 1710, 2565, 1770, 195, author::kEmail3, kTahoma,
     kLinkBlue, 0, kAutoSize | kNoPrefix},
    {A::lblURL, L"lblURL", Kind::Label, 0, 1215, 2790, 390, 195, L"URL :", kTahoma, kBlack, 0,
     kAutoSize | kAlignRight},
    {A::lblvandorlin, L"lblvandorlin", Kind::Label, 0, 1710, 2790, 2250, 195, author::kWebSite,
     kTahomaUnderlined, kLinkBlue, 0, kAutoSize | kLink | kNoPrefix},

    {A::Line2, L"Line2", Kind::Line, 0, 855, 3195, 4050, 3195, L"", kNormal, kLavender},
    {A::cmdOK, L"cmdOK", Kind::Button, 0, 3105, 3375, 960, 420, L"&OK", kNormal, kBlack, 0,
     kDefault | kCancel, 0},
};

} // namespace

const ui::FormDesign& AboutDesign() {
    static const ui::FormDesign design{
        L"About...",
        4215,
        3915,
        kLavender,
        false,
        IDP_BACKGROUND,
        400,
        284,
        0, // no window icon
        false,
        StartPosition::CenterOwner,
        kControls,
        IDC_POINTING_HAND,
        ART_HIDPI_OFFSET,
    };
    return design;
}

} // namespace kv::info
