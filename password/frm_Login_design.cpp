// The login dialog's design: positions and sizes in twips.

#include "password/frm_Login_design.h"

#include "art/art_ids.h"
#include "password/dialog_design.h"
#include "password/frm_Login_ids.h"

namespace kv::password {
namespace {

using namespace ui;
using L = LoginIds;

constexpr FontDesign kNormal{};
constexpr FontDesign kTitle{Face::SansSerif, 975, true};

constexpr ControlDesign kControls[] = {
    // Banner and the labels on it (positions relative to the banner).
    {L::Picture1, L"Picture1", Kind::PictureBox, 0, 0, 0, 4665, 1005, L"", kNormal, kLavender,
     IDP_BANNER},
    {L::Label4, L"Label4", Kind::Label, L::Picture1, 1080, 225, 585, 240, L"Login", kTitle, kWhite,
     0, kAutoSize},
    {L::Label2, L"Label2", Kind::Label, L::Picture1, 1080, 540, 2070, 195,
     L"Enter valid password to login.", kNormal, kWhite, 0, kAutoSize},

    {L::Image2, L"Keys", Kind::Image, 0, 135, 1260, 480, 480, L"", kNormal, kBlack, IDP_KEYS32},
    {L::Label1, L"Label1", Kind::Label, 0, 765, 1215, 735, 195, L"Password:", kNormal, kBlack, 0,
     kAutoSize},
    {L::txtPassword, L"txtPassword", Kind::TextBox, 0, 765, 1485, 2220, 330, L"", kNormal, kBlack,
     0, kPassword, 0},
    {L::cmdLogin, L"cmdLogin", Kind::Button, 0, 3330, 1170, 1050, 375, L"&Login", kNormal, kBlack,
     0, kDefault, 1},
    {L::cmdCancel, L"cmdCancel", Kind::Button, 0, 3330, 1575, 1050, 375, L"&Cancel", kNormal,
     kBlack, 0, kCancel, 2},

    // Never visible: below the client area and hidden.
    {L::txtgetpwd, L"txtgetpwd", Kind::TextBox, 0, 1800, 2340, 1455, 555, L"", kNormal, kBlack, 0,
     kHidden},
};

} // namespace

const ui::FormDesign& LoginDesign() {
    static const ui::FormDesign design =
        PasswordDialogDesign(L"Login", 4665, 2190, 311, 146, kControls);
    return design;
}

} // namespace kv::password
