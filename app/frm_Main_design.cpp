// The main window's design: positions and sizes in twips.

#include "app/frm_Main_design.h"
#include "app/frm_Main_ids.h"
#include "app/frm_Main_switches.h"

#include "info/author.h"
#include "art/art_ids.h"
#include "protection/switch_facts.h"

namespace kv::app {
namespace {

using namespace ui;
using M = MainIds;
using protection::Switch;
using protection::WordsOf;
constexpr const protection::SwitchWords& kWriteProtectWords = WordsOf(Switch::WriteProtect);
constexpr const protection::SwitchWords& kUsbLockWords = WordsOf(Switch::UsbLock);
constexpr const protection::SwitchWords& kAutorunWords = WordsOf(Switch::Autorun);

constexpr FontDesign kNormal{};
constexpr FontDesign kBold{Face::SansSerif, 825, true};
constexpr FontDesign kHeading{Face::SansSerif, 975, true};
constexpr FontDesign kUnderlined{Face::SansSerif, 825, false, true};
constexpr FontDesign kTitle{Face::SansSerif, 1200, true};
constexpr FontDesign kTahoma{Face::Tahoma, 825};

constexpr ControlDesign kControls[] = {
    // Banner and the labels on it (positions relative to the banner).
    {M::Picture1, L"Picture1", Kind::PictureBox, 0, 0, 0, 7215, 1140, L"", kNormal, kLavender,
     IDP_BANNER},
    {M::Label4, L"Label4", Kind::Label, M::Picture1, 1170, 270, 2220, 300, L"Kelvane", kTitle,
     kWhite, 0, kAutoSize},
    {M::Label14, L"Label14", Kind::Label, M::Picture1, 1170, 630, 2265, 195,
     L"USB Device Security Protection", kNormal, kWhite, 0, kAutoSize},
    {M::Label6, L"Label6", Kind::Label, M::Picture1, 4320, 135, 1050, 195, L"Developed By:",
     kUnderlined, kWhite, 0, kAutoSize},
    {M::Label7, L"Label7", Kind::Label, M::Picture1, 4320, 360, 1365, 195, info::author::kName,
     kNormal, kWhite, 0, kAutoSize},
    {M::Label8, L"Label8", Kind::Label, M::Picture1, 4320, 585, 480, 195, L"E-mail:", kTahoma,
     kWhite, 0, kAutoSize},
    {M::Label10, L"Label10", Kind::Label, M::Picture1, 4860, 585, 1710, 195, info::author::kEmail,
     kTahoma, kWhite, 0, kAutoSize | kNoPrefix},
    {M::lblURL, L"lblURL", Kind::Label, M::Picture1, 4320, 810, 375, 195, L"URL:", kNormal, kWhite,
     0, kAutoSize},
    {M::lblvandorlin, L"lblvandorlin", Kind::Label, M::Picture1, 4860, 810, 2175, 195,
     info::author::kWebSite, kUnderlined, kWhite, 0, kAutoSize | kLink | kNoPrefix},

    // Write protection.
    {M::Image1, L"USB write protection", Kind::Image, 0, 180, 1260, 840, 795, L"", kNormal, kBlack,
     IDP_STICK_PADLOCK},
    {M::Label16, L"Label16", Kind::Label, 0, 1260, 1260, 2985, 240, kWriteProtectWords.heading,
     kHeading, kTeal, 0, kAutoSize},
    {M::Label17, L"Label17", Kind::Label, 0, 1260, 1575, 5835, 510,
     L"Protects valuable file(s) containing in your USB storage devices from being "
     L"accidentally modified or deleted",
     kNormal, kBlack},
    {M::Label3, L"Label3", Kind::Label, 0, 1260, 2070, 1995, 195, L"Write Protection Status", kBold,
     kBrownOrange, 0, kAutoSize},
    {M::imgEnabled, L"Write protection enabled", Kind::Image, 0, 1440, 2385, 435, 435, L"", kNormal,
     kBlack, IDP_DISC_TICK, kHidden},
    {M::imgDisabled, L"Write protection disabled", Kind::Image, 0, 1440, 2385, 450, 450, L"",
     kNormal, kBlack, IDP_DISC_CROSS},
    {M::imgWriteProtectUnknown, L"Write protection unknown", Kind::Image, 0, 1440, 2385, 450, 450,
     L"", kNormal, kBlack, IDP_DISC_QUESTION, kHidden},
    {M::lblStatus, L"lblStatus", Kind::Label, 0, 2025, 2520, 750, 195,
     kWriteProtectWords.protectionOff, kBold, kGreen, 0, kAutoSize},
    {M::cmdApply, L"cmdApply", Kind::PictureButton, 0, 5805, 2115, 1005, 645, kEnableCaption,
     kNormal, kBlack, IDP_CHECK22, kNone, 0},
    {M::Line5, L"Line5", Kind::Line, 0, 225, 2925, 6975, 2925, L"", kNormal, kLavender},

    // USB storage lock.
    {M::Image2, L"USB storage lock", Kind::Image, 0, 225, 3015, 840, 825, L"", kNormal, kBlack,
     IDP_STICK_NOENTRY},
    {M::Label18, L"Label18", Kind::Label, 0, 1260, 3105, 1830, 240, kUsbLockWords.heading, kHeading,
     kTeal, 0, kAutoSize},
    {M::Label11, L"Label11", Kind::Label, 0, 1260, 3420, 5820, 465,
     L"Locks or prevents unauthorized users from connecting USB storage devices.", kNormal, kBlack},
    {M::Label12, L"Label12", Kind::Label, 0, 1260, 3735, 2040, 195, L"Lock/Prevention Status",
     kBold, kBrownOrange, 0, kAutoSize},
    {M::imgLocked, L"USB storage locked", Kind::Image, 0, 1440, 4050, 450, 435, L"", kNormal,
     kBlack, IDP_DISC_BAR, kHidden},
    {M::imgUnLocked, L"USB storage unlocked", Kind::Image, 0, 1440, 4050, 435, 435, L"", kNormal,
     kBlack, IDP_DISC_TICK},
    {M::imgUSBLockUnknown, L"USB storage lock unknown", Kind::Image, 0, 1440, 4050, 450, 450, L"",
     kNormal, kBlack, IDP_DISC_QUESTION, kHidden},
    {M::lblUSBLockStatus, L"lblUSBLockStatus", Kind::Label, 0, 2025, 4185, 825, 195,
     kUsbLockWords.protectionOff, kBold, kGreen, 0, kAutoSize},
    {M::cmdLock, L"cmdLock", Kind::PictureButton, 0, 5805, 3780, 1005, 645, kLockCaption, kNormal,
     kBlack, IDP_CHECK22, kNone, 1},
    {M::Line2, L"Line2", Kind::Line, 0, 225, 4590, 6930, 4590, L"", kNormal, kLavender},

    // Autorun.
    {M::Image3, L"USB autorun", Kind::Image, 0, 270, 4680, 825, 795, L"", kNormal, kBlack,
     IDP_STICK_CHECK},
    {M::Label2, L"Label2", Kind::Label, 0, 1260, 4815, 2115, 240, kAutorunWords.heading, kHeading,
     kTeal, 0, kAutoSize},
    {M::Label19, L"Label19", Kind::Label, 0, 1260, 5130, 5835, 465,
     L"Prevents USB Devices from automatically running malicious programs.", kNormal, kBlack},
    {M::Label21, L"Label21", Kind::Label, 0, 1260, 5445, 1710, 195, L"USB Autorun Status", kBold,
     kBrownOrange, 0, kAutoSize},
    {M::imgUSBDeviceAREnabled, L"USB autorun enabled", Kind::Image, 0, 1440, 5760, 435, 435, L"",
     kNormal, kBlack, IDP_DISC_TICK, kHidden},
    {M::imgUSBDeviceARDisabled, L"USB autorun disabled", Kind::Image, 0, 1440, 5760, 450, 450, L"",
     kNormal, kBlack, IDP_DISC_CROSS},
    {M::imgUSBDeviceARUnknown, L"USB autorun unknown", Kind::Image, 0, 1440, 5760, 450, 450, L"",
     kNormal, kBlack, IDP_DISC_QUESTION, kHidden},
    {M::lblUSBDeviceARStatus, L"lblUSBDeviceARStatus", Kind::Label, 0, 2025, 5895, 750, 195,
     kAutorunWords.protectionOn, kBold, kGreen, 0, kAutoSize},
    {M::cmdUSBAutorunControl, L"cmdUSBAutorunControl", Kind::PictureButton, 0, 5805, 5490, 1005,
     645, kEnableCaption, kNormal, kBlack, IDP_CHECK22, kNone, 2},
    {M::Line4, L"Line4", Kind::Line, 0, 270, 6300, 6930, 6300, L"", kNormal, kLavender},

    // Ready storage devices.
    {M::Image4, L"USB storage devices", Kind::Image, 0, 270, 6345, 825, 795, L"", kNormal, kBlack,
     IDP_STICK_PLAIN},
    {M::Label5, L"Label5", Kind::Label, 0, 1305, 6435, 2340, 240, L"USB Storage Devices:", kHeading,
     kTeal, 0, kAutoSize},
    {M::lblRefreshUSBDevices, L"lblRefreshUSBDevices", Kind::Label, 0, 6390, 6480, 555, 195,
     L"Refresh", kUnderlined, kLinkBlue, 0, kAutoSize | kLink},
    {M::lblDevices, L"lblDevices", Kind::Label, 0, 1305, 6795, 1005, 195, L"USB Devices:", kNormal,
     kBrownOrange, 0, kAutoSize | kNoPrefix | kEllipsis},
    {M::Line3, L"Line3", Kind::Line, 0, 270, 7110, 6930, 7110, L"", kNormal, kLavender},

    // Notes and the command row.
    {M::Image5, L"Information", Kind::Image, 0, 405, 7200, 315, 585, L"", kNormal, kBlack,
     IDP_INFO},
    {M::Label9, L"Label9", Kind::Label, 0, 990, 7200, 5655, 420,
     L"If USB storage device(s) are already plugged into the computer please, remove and "
     L"re-attach to take changes in effect.",
     kNormal, kDarkGrey, 0, kNoPrefix | kLink}, // may name a drive, whose label may hold "&"
    // (a click on a warning offers Windows' own policy)
    {M::Label13, L"Label13", Kind::Label, 0, 990, 7650, 5970, 465,
     L"If you are using Windows 7 or Vista, please run this program as an 'Administrator' by "
     L"right clicking on the icon of this program and clicking on 'Run as administrator'.",
     kNormal, kDarkGrey},
    {M::Line1, L"Line1", Kind::Line, 0, 270, 8100, 6885, 8100, L"", kNormal, kLavender},
    {M::cmdAbout, L"cmdAbout", Kind::Button, 0, 270, 8280, 1185, 420, L"&About...", kNormal, kBlack,
     0, kNone, 6},
    {M::cmdHelp, L"cmdHelp", Kind::Button, 0, 1530, 8280, 1185, 420, L"&Help", kNormal, kBlack, 0,
     kNone, 4},
    {M::cmdPassword, L"cmdPassword", Kind::Button, 0, 4455, 8280, 1185, 420, L"&Pasword", kNormal,
     kBlack, 0, kNone, 3},
    {M::cmdClose, L"cmdClose", Kind::Button, 0, 5715, 8280, 1185, 420, L"&Close", kNormal, kBlack,
     0, kDefault | kCancel, 5},

    // Never visible: below the client area and hidden.
    {M::lstErrs, L"lstErrs", Kind::ListBox, 0, 855, 9270, 2760, 840, L"", kNormal, kBlack, 0,
     kHidden},
    {M::txtRegValue, L"txtRegValue", Kind::TextBox, 0, 4185, 9180, 1410, 375, L"Text1", kNormal,
     kBlack, 0, kHidden},
};

} // namespace

const ui::FormDesign& MainDesign() {
    static const ui::FormDesign design{
        L"Kelvane - USB Device Security Protection",
        7215,
        8865,
        kWhite,
        false,
        IDP_BACKGROUND,
        600,
        764,
        IDI_APP,
        true,
        StartPosition::CenterScreen,
        kControls,
        IDC_POINTING_HAND,
        ART_HIDPI_OFFSET,
        285, // the sections end this far from the right edge
    };
    return design;
}

} // namespace kv::app
