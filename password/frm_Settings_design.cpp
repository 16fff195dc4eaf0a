// The password settings dialog's design: positions and sizes in twips. The labels size
// themselves to their text; the sizes given are those of the initial texts.

#include "password/frm_Settings_design.h"

#include "art/art_ids.h"
#include "password/dialog_design.h"
#include "password/frm_Settings_ids.h"

namespace kv::password {
namespace {

using namespace ui;
using S = SettingsIds;

constexpr FontDesign kNormal{};
constexpr FontDesign kTitle{Face::SansSerif, 975, true};

constexpr ControlDesign kControls[] = {
    // Banner and the labels on it (positions relative to the banner).
    {S::Picture1, L"Picture1", Kind::PictureBox, 0, 0, 0, 5235, 1050, L"", kNormal, kLavender,
     IDP_BANNER},
    {S::Label4, L"Label4", Kind::Label, S::Picture1, 1080, 270, 840, 240, L"Settings", kTitle,
     kWhite, 0, kAutoSize},
    {S::Label2, L"Label2", Kind::Label, S::Picture1, 1080, 585, 3960, 195,
     L"Enter new password to change or leave blank to disable.", kNormal, kWhite, 0, kAutoSize},

    {S::Image2, L"Keys", Kind::Image, 0, 135, 1350, 480, 480, L"", kNormal, kBlack, IDP_KEYS32},
    {S::Label1, L"Label1", Kind::Label, 0, 810, 1305, 1065, 195, L"New Password:", kNormal, kBlack,
     0, kAutoSize},
    {S::txtPassword, L"txtPassword", Kind::TextBox, 0, 810, 1575, 2805, 330, L"", kNormal, kBlack,
     0, kPassword, 0},
    {S::cmdChange, L"cmdChange", Kind::Button, 0, 3780, 1260, 1050, 375, L"Cha&nge", kNormal,
     kBlack, 0, kDefault, 1},
    {S::cmdCancel, L"cmdCancel", Kind::Button, 0, 3780, 1665, 1050, 375, L"&Cancel", kNormal,
     kBlack, 0, kCancel, 2},
};

} // namespace

const ui::FormDesign& SettingsDesign() {
    static const ui::FormDesign design =
        PasswordDialogDesign(L"Settings", 5235, 2235, 349, 149, kControls);
    return design;
}

} // namespace kv::password
