// The Help window's design: positions and sizes in twips. The texts are kept exactly as
// written, double blanks included.

#include "info/frm_Help_design.h"

#include "art/art_ids.h"
#include "info/frm_Help_ids.h"

namespace kv::info {
namespace {

using namespace ui;
using H = HelpIds;

constexpr FontDesign kNormal{};
constexpr FontDesign kHeading{Face::SansSerif, 975, true};
constexpr FontDesign kCaption{Face::SansSerif, 975, true, true};

constexpr ControlDesign kControls[] = {
    // Banner and the labels on it (positions relative to the banner).
    {H::Picture1, L"Picture1", Kind::PictureBox, 0, 0, 0, 9015, 1005, L"", kNormal, kLavender,
     IDP_BANNER_WIDE},
    {H::Label4, L"Label4", Kind::Label, H::Picture1, 1080, 270, 510, 240, L"Help", kHeading, kWhite,
     0, kAutoSize},
    {H::Label8, L"Label8", Kind::Label, H::Picture1, 1080, 585, 4185, 195,
     L"Short manual on Kelvane - USB Device Security.", kNormal, kWhite, 0, kAutoSize},

    {H::Label1, L"Label1", Kind::Label, 0, 180, 1170, 8715, 690,
     L"Kelvane - USB Device Security is a small utility software which protects valuable "
     L"file(s) containing in your USB storage devices from being accidentally modified or "
     L"deleted and prevents unauthorized users from connecting USB storage devices and copying "
     L"your files.",
     kNormal, kBlack},
    {H::Label3, L"Label3", Kind::Label, 0, 180, 1890, 990, 240, L"Features:", kCaption,
     kBrownOrange, 0, kAutoSize},

    // Write protection.
    {H::Image2, L"USB write protection", Kind::Image, 0, 180, 2205, 840, 795, L"", kNormal, kBlack,
     IDP_STICK_PADLOCK},
    {H::Label16, L"Label16", Kind::Label, 0, 1260, 2205, 2985, 240, L"USB Device Write Protection",
     kHeading, kTeal, 0, kAutoSize},
    {H::Label17, L"Label17", Kind::Label, 0, 1260, 2520, 7500, 510,
     L"Protects valuable file(s) containing in your USB storage devices from being accidentally "
     L"modified or deleted and also prevents automatic transfer of malicious programs  to your "
     L"USB Storage Device.",
     kNormal, kBlack},

    // Storage lock.
    {H::Image3, L"USB storage lock", Kind::Image, 0, 225, 3150, 840, 825, L"", kNormal, kBlack,
     IDP_STICK_NOENTRY},
    {H::Label18, L"Label18", Kind::Label, 0, 1260, 3195, 1830, 240, L"USB Device Lock", kHeading,
     kTeal, 0, kAutoSize},
    {H::Label11, L"Label11", Kind::Label, 0, 1260, 3510, 7530, 465,
     L"It maintains your privacy by preventing unauthorized users from connecting USB storage "
     L"devices to your computer and copying your valuable data.",
     kNormal, kBlack},

    // Autorun.
    {H::Image4, L"USB autorun", Kind::Image, 0, 225, 4140, 825, 795, L"", kNormal, kBlack,
     IDP_STICK_CHECK},
    {H::Label2, L"Label2", Kind::Label, 0, 1260, 4185, 2115, 240, L"USB Device Autorun", kHeading,
     kTeal, 0, kAutoSize},
    {H::Label19, L"Label19", Kind::Label, 0, 1260, 4500, 7545, 735,
     L"USB Storage Devices are one of the major source of virus and other malicious program. It "
     L"protects your computer from viruses and other malicious programs by disabling USB "
     L"Device's autorun function and preventing them from automatically running and "
     L"transferring to your computer.",
     kNormal, kBlack},

    // Password.
    {H::Image5, L"Password", Kind::Image, 0, 405, 5400, 480, 480, L"", kNormal, kBlack, IDP_KEYS32},
    {H::Label6, L"Label6", Kind::Label, 0, 1215, 5310, 3000, 240, L"Password Protected Settings",
     kHeading, kTeal, 0, kAutoSize},
    {H::Label5, L"Label5", Kind::Label, 0, 1215, 5625, 7545, 465,
     L"You can protect your protection settings by password and prevent unauthorized user from "
     L"changing your protection settings.",
     kNormal, kBlack},

    // Notes.
    {H::Label7, L"Label7", Kind::Label, 0, 225, 6165, 705, 240, L"NOTE:", kCaption, kBrownOrange, 0,
     kAutoSize},
    // One line of text: its box reaches into Label13's, so a wrapped second line would be
    // hidden. Sized to its text, it stays on one line whatever the face's width.
    {H::Label9, L"Label9", Kind::Label, 0, 225, 6435, 8535, 420,
     L"If USB storage device(s) are already plugged into the computer please, remove and "
     L"re-attach to take changes in effect.",
     kNormal, kBlack, 0, kAutoSize},
    {H::Label13, L"Label13", Kind::Label, 0, 225, 6750, 3585, 1365,
     L"Kelvane requires administrative privilege to perform its operation in Windows 7 or Vista. "
     L"So, if you are using Windows 7 or Vista, please run this program as an 'Administrator' by "
     L"right clicking on the icon of this program and clicking on 'Run as administrator' as "
     L"shown in below.",
     kNormal, kBlack},
    {H::Image1, L"Run as administrator", Kind::Image, 0, 3960, 6750, 4845, 2085, L"", kNormal,
     kBlack, IDP_HELP_RUNAS, kBorder},
    {H::Label10, L"Label10", Kind::Label, 0, 225, 8100, 3570, 735,
     L"If you have any suggestion or comments regarding this software  please, don't hesitate to "
     L"send me.       I hope you will like this software.",
     kNormal, kBlack},
};

} // namespace

const ui::FormDesign& HelpDesign() {
    static const ui::FormDesign design{
        L"Help",
        9015,
        8895,
        kWhite,
        true, // the system's button-face colour
        IDP_BACKGROUND,
        600,
        764,
        0, // a dialog frame without an icon, like the About window
        false,
        StartPosition::CenterOwner,
        kControls,
        IDC_POINTING_HAND,
        ART_HIDPI_OFFSET,
    };
    return design;
}

} // namespace kv::info
