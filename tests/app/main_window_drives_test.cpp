// The device line of the real window: at start, on Refresh, on the timer, behind a modal
// window, with drives that hang, and with drive letters plugged and pulled through Wine's
// mount manager.

#include "tests/app/main_window_fixture.h"
#include "tests/drives/fake_drive_source.h"
#include "tests/drives/wine_drive.h"

#include "drives/drive_line.h"
#include "drives/holds.h"
#include "ui/form.h"

#include <commctrl.h>
#include <dbt.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace kv::test {
namespace {

using M = app::frm_Main;
using drives::Bus;
using drives::DriveType;
using drives::test::FakeDrive;
using drives::test::FakeDriveSource;

constexpr int kTick = 5000;

// What a window's tooltip shows for a control, asked as the tooltip asks.
std::wstring TipText(HWND window, HWND control) {
    HWND tip = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM found) {
            wchar_t name[64] = {};
            ::GetClassNameW(w, name, 64);
            if (std::wstring(name) == TOOLTIPS_CLASSW) {
                *reinterpret_cast<HWND*>(found) = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&tip));
    NMTTDISPINFOW info{};
    info.hdr.hwndFrom = tip;
    info.hdr.idFrom = reinterpret_cast<UINT_PTR>(control);
    info.hdr.code = TTN_GETDISPINFOW;
    ::SendMessageW(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    return info.lpszText ? info.lpszText : L"";
}

class DriveLineTest : public MainWindowTest {
protected:
    FakeDriveSource& UseFake(std::vector<FakeDrive> list) {
        auto source = std::make_unique<FakeDriveSource>();
        source->drives = std::move(list);
        FakeDriveSource& fake = *source;
        window_->SetDriveSource(std::move(source));
        return fake;
    }
    // Returns as the window is first shown, before any message is pumped.
    app::frm_Main& StartWithFake(std::vector<FakeDrive> list) {
        window_ = std::make_unique<app::frm_Main>(recorder_);
        fake_ = &UseFake(std::move(list));
        window_->Show();
        return *window_;
    }
    std::wstring Line() const { return TextOf(M::lblDevices); }
    std::wstring TipOf(int id) const { return TipText(window_->hwnd(), Ctl(id)); }
    // Clicks Refresh and lets the pass it starts end and reach the line.
    void Refresh() {
        const std::size_t before = fake_->Collects();
        Click(Ctl(M::lblRefreshUSBDevices));
        ASSERT_TRUE(PumpUntil([&] { return fake_->Collects() > before; }, 2000));
        Pump(50);
    }

    FakeDriveSource* fake_ = nullptr;
};

TEST_F(DriveLineTest, StartRefreshAndAFailedPass) {
    StartWithFake({{L"E", DriveType::Removable, true, L"DATA"},
                   {L"C", DriveType::Fixed, true, L"SYSTEM"},
                   {L"F", DriveType::Removable, true, L"BACKUP"}});
    // Prompt drives are on the line before the window is first shown.
    EXPECT_EQ(Line(), L"2 device(s) detected: DATA (E:), BACKUP (F:)");

    fake_->SetDrives({{L"G", DriveType::Removable, false, L"EMPTY"}});
    Refresh();
    EXPECT_EQ(Line(), L"No USB Storage device detected.");

    fake_->SetDrives({{L"E", DriveType::Removable, true, L""}});
    fake_->Fail(21);
    Refresh();
    EXPECT_EQ(Line(), L"No USB Storage device detected."); // what the last complete pass said
    EXPECT_TRUE(window_->IsLoaded());
}

// A drive that takes its time: the window shows without waiting for it, stays responsive,
// starts no second pass, shows the line when the drive answers, and closes at once while
// a pass still hangs (the late result goes nowhere).
TEST_F(DriveLineTest, HungDrivesNeitherFreezeNorDoubleNorHoldTheClose) {
    using Clock = std::chrono::steady_clock;
    const auto msSince = [](Clock::time_point t) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
    };
    const auto gate = std::make_shared<drives::test::DriveGate>();
    gate->Close();
    window_ = std::make_unique<app::frm_Main>(recorder_);
    fake_ = &UseFake({{L"E", DriveType::Removable, true, L"DATA"}});
    fake_->gate = gate;

    auto start = Clock::now();
    window_->Show();
    EXPECT_LT(msSince(start), 1000);
    EXPECT_TRUE(IsShown(window_->hwnd()));
    EXPECT_EQ(Line(), L"USB Devices:");
    ASSERT_TRUE(PumpUntil([&] { return gate->Held() == 1; }, 2000));

    // Refresh and a tick return at once and start nothing while the pass hangs.
    start = Clock::now();
    Click(Ctl(M::lblRefreshUSBDevices));
    ::SendMessageW(window_->hwnd(), WM_TIMER, M::Timer1, 0);
    Pump(100);
    EXPECT_LT(msSince(start), 1000);
    EXPECT_EQ(gate->Held(), 1);
    EXPECT_EQ(fake_->Collects(), 0u);

    gate->Open();
    EXPECT_TRUE(PumpUntil([&] { return Line() == L"1 device(s) detected: DATA (E:)"; }, 2000));
    EXPECT_EQ(gate->Passed(), 1);

    // Hung again, and the user closes the window.
    gate->Close();
    fake_->SetDrives({});
    Click(Ctl(M::lblRefreshUSBDevices));
    ASSERT_TRUE(PumpUntil([&] { return gate->Held() == 1; }, 2000));
    start = Clock::now();
    Click(Ctl(M::cmdClose));
    EXPECT_TRUE(PumpUntil([] { return ProgramEnded(); }, 1000));
    window_.reset();
    EXPECT_LT(msSince(start), 1000);

    fake_ = nullptr; // the hung pass owns it now, and drops it when it ends
    gate->Open();
    EXPECT_TRUE(gate->WaitUntilPassed(2, std::chrono::seconds(2)));
    Pump(100); // nothing arrives for a window that is gone
}

TEST_F(DriveLineTest, TimerKeepsPassingAfterAFailure) {
    StartWithFake({});
    fake_->Fail(5);
    const size_t asked = fake_->Collects();
    PumpUntil([&] { return fake_->Collects() > asked; }, kTick + 1500);
    EXPECT_GT(fake_->Collects(), asked) << "no timer pass";
    EXPECT_EQ(Line(), L"No USB Storage device detected.");

    // A working source again: the next tick shows it.
    UseFake({{L"E", DriveType::Removable, true, L""}});
    EXPECT_TRUE(PumpUntil([&] { return Line() == L"1 device(s) detected:  (E:)"; }, kTick + 1500));
}

constexpr wchar_t kNotice[] = L"If USB storage device(s) are already plugged into the computer "
                              L"please, remove and re-attach to take changes in effect.";

// The first notice line warns in red while a protection that is on does not hold for a
// listed drive, follows the drives and the switches, and gives its design text back.
TEST_F(DriveLineTest, NoticeWarnsWhileAProtectionDoesNotHold) {
    WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 1);
    const FakeDrive data{L"E", DriveType::Removable, true, L"DATA", false, Bus::Usb, L"USBSTOR"};
    FakeDrive sealed{L"F", DriveType::Removable, true, L"SEALED", true, Bus::Usb, L"USBSTOR"};
    StartWithFake({data, sealed});
    EXPECT_EQ(TextOf(M::Label9), L"Write protection does not hold for DATA (E:): it was attached "
                                 L"before the change. Remove and re-attach it.");
    EXPECT_EQ(ColorOf(M::Label9), RGB(192, 0, 0));

    FakeDrive reattached = data;
    reattached.readOnly = true;
    fake_->SetDrives({reattached, sealed});
    Refresh();
    EXPECT_EQ(TextOf(M::Label9), kNotice);
    EXPECT_EQ(ColorOf(M::Label9), RGB(64, 64, 64));

    // Writable, but Windows denies the user writing to it: write protection holds.
    FakeDrive denied = data;
    denied.mayWrite = drives::Answer::Denied;
    fake_->SetDrives({denied, sealed});
    Refresh();
    EXPECT_EQ(TextOf(M::Label9), kNotice);

    Click(Ctl(M::cmdLock)); // locked: both drives stay usable until removed
    EXPECT_EQ(TextOf(M::Label9), L"The lock does not hold for DATA (E:): it stays usable until "
                                 L"it is removed. And 1 more.");
    EXPECT_EQ(TipOf(M::Label9), L"The lock does not hold for DATA (E:): it stays usable until it "
                                L"is removed.\r\nThe lock does not hold for SEALED (F:): it "
                                L"stays usable until it is removed.\r\n\r\nClick to add "
                                L"Windows' own removable-storage policy.");
    Click(Ctl(M::cmdLock));
    EXPECT_EQ(TextOf(M::Label9), kNotice);

    // A writable drive while write protection is off is no warning.
    fake_->SetDrives({data});
    Click(Ctl(M::cmdApply));
    Refresh();
    EXPECT_EQ(TextOf(M::Label9), kNotice);
}

// A protection whose value cannot be read may or may not be on: the notice says that it
// cannot be told for the listed drives, after any warning that is known, and never gives
// its all-clear design text while a drive is listed.
TEST_F(DriveLineTest, NoticeSaysWhenAProtectionCannotBeKnown) {
    constexpr wchar_t kOpen[] = L"Whether USB Device Write Protection holds for the listed drives "
                                L"cannot be told: Kelvane cannot read its value.";
    WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 1);
    WriteDword(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", 4);
    const FakeDrive data{L"E", DriveType::Removable, true, L"DATA", false, Bus::Usb, L"USBSTOR"};
    {
        ReadOnlyKey closed(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"D:P");
        ASSERT_TRUE(closed.locked());
        StartWithFake({});
        Pump(50);
    }
    EXPECT_EQ(TextOf(M::Label9), kNotice) << "no drive listed: nothing to warn about";
    EXPECT_EQ(TextOf(M::lblStatus), L"Unknown (access denied)");
    EXPECT_TRUE(TipOf(M::lblStatus).starts_with(L"Kelvane could not read this protection's value"))
        << "the reason in Windows' words is one hover away";

    fake_->SetDrives({data});
    Refresh();
    // The lock, known to be on, warns first; the open question follows in the tooltip.
    EXPECT_EQ(TextOf(M::Label9), L"The lock does not hold for DATA (E:): it stays usable until "
                                 L"it is removed.");
    EXPECT_EQ(TipOf(M::Label9), L"The lock does not hold for DATA (E:): it stays usable until it "
                                L"is removed.\r\n" +
                                    std::wstring(kOpen) +
                                    L"\r\n\r\nClick to add Windows' own removable-storage "
                                    L"policy.");
    Click(Ctl(M::cmdLock)); // unlocked: only the open question is left
    EXPECT_EQ(TextOf(M::Label9), kOpen);
    EXPECT_EQ(ColorOf(M::Label9), RGB(192, 0, 0));

    Click(Ctl(M::cmdApply)); // readable again: write protection stays on, as it was
    EXPECT_EQ(TextOf(M::lblStatus), L"Enabled");
    EXPECT_EQ(TextOf(M::Label9), L"Write protection does not hold for DATA (E:): it was "
                                 L"attached before the change. Remove and re-attach it.");
}

// A volume that arrives or leaves starts a pass at once and has its facts looked up anew;
// other device messages change nothing.
TEST_F(DriveLineTest, AVolumeArrivingOrLeavingStartsAPassAtOnce) {
    StartWithFake({});
    fake_->SetDrives({{L"E", DriveType::Removable, true, L"DATA"}});
    DEV_BROADCAST_VOLUME volume{sizeof(volume), DBT_DEVTYP_VOLUME, 0, 1u << 4, 0};
    ::SendMessageW(window_->hwnd(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                   reinterpret_cast<LPARAM>(&volume));
    EXPECT_TRUE(PumpUntil([&] { return Line() == L"1 device(s) detected: DATA (E:)"; }, 1000));
    EXPECT_EQ(fake_->Changes(), 1);

    DEV_BROADCAST_HDR port{sizeof(port), DBT_DEVTYP_PORT, 0};
    ::SendMessageW(window_->hwnd(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                   reinterpret_cast<LPARAM>(&port));
    ::SendMessageW(window_->hwnd(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    EXPECT_EQ(fake_->Changes(), 1);

    fake_->SetDrives({});
    ::SendMessageW(window_->hwnd(), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                   reinterpret_cast<LPARAM>(&volume));
    EXPECT_TRUE(PumpUntil([&] { return Line() == drives::kNoDeviceCaption; }, 1000));
    EXPECT_EQ(fake_->Changes(), 2);
}

// A small modal window standing in for About, Help or Settings.
constexpr ui::ControlDesign kProbeControls[] = {
    {1,
     L"ok",
     ui::Kind::Button,
     0,
     100,
     100,
     900,
     400,
     L"OK",
     {},
     ui::kBlack,
     0,
     ui::kDefault | ui::kCancel,
     0},
};
const ui::FormDesign kProbeDesign{
    L"Modal probe", 2000, 1000, ui::kWhite, true, 0, 0, 0, 0, false, ui::StartPosition::CenterOwner,
    kProbeControls};
class Probe : public ui::Form {
public:
    Probe() : ui::Form(kProbeDesign) {}
};

TEST_F(DriveLineTest, LineKeepsRefreshingBehindAModalWindow) {
    StartWithFake({});
    bool mainDisabled = false, refreshed = false;
    WhenShown(L"Modal probe", [&](HWND probe) {
        mainDisabled = !::IsWindowEnabled(window_->hwnd());
        fake_->SetDrives({{L"E", DriveType::Removable, true, L"DATA"}});
        refreshed =
            PumpUntil([&] { return Line() == L"1 device(s) detected: DATA (E:)"; }, kTick + 1500);
        ::SendMessageW(probe, WM_CLOSE, 0, 0);
    });
    Probe probe;
    probe.ShowModal();
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(refreshed);
    EXPECT_TRUE(::IsWindowEnabled(window_->hwnd()));
    EXPECT_FALSE(ProgramEnded());
}

// Real drive letters, plugged and pulled while the window runs.
class PluggedDriveTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (!RunningUnderWine()) {
            GTEST_SKIP() << "drive letters are plugged through Wine's mount manager";
        }
        RemoveDrive(L'R');
        RemoveDrive(L'S');
    }
    void TearDown() override {
        for (const auto& [letter, folder] : plugged_) {
            UnplugFolder(letter, folder);
        }
        RemoveDrive(L'R');
        RemoveDrive(L'S');
        MainWindowTest::TearDown();
    }
    void Plug(wchar_t letter, const std::wstring& label, bool readOnly = false) {
        std::wstring folder;
        const std::uint32_t result = readOnly ? PlugReadOnlyFolder(letter, label, folder)
                                              : PlugFolder(letter, label, folder);
        plugged_.emplace_back(letter, folder);
        ASSERT_EQ(result, 0u);
    }
    std::wstring Line() const { return TextOf(M::lblDevices); }
    std::wstring TipOf(int id) const { return TipText(window_->hwnd(), Ctl(id)); }

    std::vector<std::pair<wchar_t, std::wstring>> plugged_;
};

TEST_F(PluggedDriveTest, LineFollowsDrivesAtStartOnRefreshAndOnTheTimer) {
    Plug(L'S', L"BACKUP");
    Plug(L'R', L"DATA");
    Start();
    EXPECT_EQ(Line(), L"2 device(s) detected: DATA (R:), BACKUP (S:)");

    ASSERT_EQ(RemoveDrive(L'S'), 0u);
    EXPECT_TRUE(
        PumpUntil([&] { return Line() == L"1 device(s) detected: DATA (R:)"; }, kTick + 1500))
        << "after a tick: " << testing::PrintToString(Line());

    Plug(L'S', L"BACKUP");
    Click(Ctl(M::lblRefreshUSBDevices));
    EXPECT_TRUE(
        PumpUntil([&] { return Line() == L"2 device(s) detected: DATA (R:), BACKUP (S:)"; }, 2000))
        << "after Refresh: " << testing::PrintToString(Line());
}

// Wine 8's mount manager tells no window when it defines or removes a drive, so the test
// sends the message Windows broadcasts: the new drive is on the line at once, without a
// tick. A read-only drive holds write protection; a writable one whose driver Wine cannot
// name may not.
TEST_F(PluggedDriveTest, NewDriveShowsAtOnceAndOnlyWritableOnesAreWarnedOf) {
    WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 1);
    Plug(L'R', L"SEALED", true);
    Start();
    EXPECT_EQ(Line(), L"1 device(s) detected: SEALED (R:)");
    EXPECT_EQ(TextOf(M::Label9), kNotice);

    Plug(L'S', L"OPEN");
    DEV_BROADCAST_VOLUME volume{sizeof(volume), DBT_DEVTYP_VOLUME, 0, 1u << (L'S' - L'A'), 0};
    ::SendMessageW(window_->hwnd(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                   reinterpret_cast<LPARAM>(&volume));
    EXPECT_TRUE(
        PumpUntil([&] { return Line() == L"2 device(s) detected: SEALED (R:), OPEN (S:)"; }, 1000))
        << "no tick yet: " << testing::PrintToString(Line());
    EXPECT_EQ(TextOf(M::Label9), L"Write protection may not hold for OPEN (S:): it is writable "
                                 L"and Windows did not say how it is attached.");
    EXPECT_EQ(ColorOf(M::Label9), RGB(192, 0, 0));
}

// A volume label is text from the device: a line break or a line separator in it splits
// neither the device line nor the red notice, whose reason and count stay in view.
TEST_F(PluggedDriveTest, HostileLabelsKeepTheLinesWhole) {
    WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 1);
    Plug(L'R', L"EVIL\r\nLOCKED");
    Plug(L'S', L"A\u2028B\u202eC");
    Start();
    EXPECT_EQ(Line(), L"2 device(s) detected: EVIL  LOCKED (R:), A BC (S:)");
    EXPECT_EQ(TextOf(M::Label9), L"Write protection may not hold for EVIL  LOCKED (R:): it is "
                                 L"writable and Windows did not say how it is attached. And 1 "
                                 L"more.");
    // One line a drive, then the offer of Windows' policy after a blank line.
    const std::wstring tip = TipOf(M::Label9);
    const std::wstring drives = tip.substr(0, tip.find(L"\r\n\r\n"));
    EXPECT_EQ(std::count(drives.begin(), drives.end(), L'\n'), 1) << testing::PrintToString(tip);
    EXPECT_NE(tip.find(L"for A BC (S:): it is writable"), std::wstring::npos)
        << testing::PrintToString(tip);
}

} // namespace
} // namespace kv::test

namespace kv::test {
namespace {

// Every warning the notice line can show, for a drive with the longest FAT label and one
// more behind it, fits the label's two lines at each DPI: a reason cut off is no reason.
TEST_F(DriveLineTest, EveryWarningFitsTheNoticeAtEachDpi) {
    StartWithFake({});
    const HWND notice = Ctl(M::Label9);
    using drives::DriveProtection;
    using drives::Verdict;
    const drives::ListedDrive drive{L"F", L"KINGSTON 64", false, Bus::Usb, L"UASPStor"};
    RECT suggested{};
    ::GetWindowRect(window_->hwnd(), &suggested);
    for (const unsigned dpi : {96u, 144u, 192u}) {
        ::SendMessageW(window_->hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                       reinterpret_cast<LPARAM>(&suggested));
        RECT room{};
        ::GetClientRect(notice, &room);
        const HDC dc = ::GetDC(notice);
        const HGDIOBJ old =
            ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(notice, WM_GETFONT, 0, 0)));
        for (const DriveProtection p : {DriveProtection::WriteProtect, DriveProtection::Lock}) {
            for (const Verdict v : {Verdict::AttachedBefore, Verdict::NotCovered, Verdict::Unknown,
                                    Verdict::UntilReattached, Verdict::PolicyNotApplied}) {
                const std::wstring text = drives::VerdictText(p, v, drive) + L" And 1 more.";
                RECT need{0, 0, room.right, 0};
                ::DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK);
                EXPECT_LE(need.bottom, room.bottom)
                    << dpi << " dpi: " << testing::PrintToString(text);
            }
        }
        // The measure itself tells a text too long: three warnings in a row never fit.
        const std::wstring three =
            std::wstring(3, L' ') +
            drives::VerdictText(DriveProtection::WriteProtect, Verdict::PolicyNotApplied, drive);
        RECT tooMuch{0, 0, room.right, 0};
        ::DrawTextW(dc, (three + three + three).c_str(), -1, &tooMuch, DT_CALCRECT | DT_WORDBREAK);
        EXPECT_GT(tooMuch.bottom, room.bottom) << dpi << " dpi";
        ::SelectObject(dc, old);
        ::ReleaseDC(notice, dc);
    }
}

TEST_F(DriveLineTest, ALongLineStopsAtTheWindowsMarginAndKeepsItsText) {
    std::vector<FakeDrive> many;
    for (wchar_t letter = L'D'; letter <= L'W'; ++letter) {
        many.push_back({std::wstring(1, letter), DriveType::Removable, true, L"VOLUME"});
    }
    StartWithFake(many);
    const std::wstring line = Line();
    EXPECT_EQ(line.rfind(L"20 device(s) detected: VOLUME (D:), ", 0), 0u);
    EXPECT_NE(line.find(L"VOLUME (W:)"), std::wstring::npos); // the text is whole
    RECT label = RectInParent(Ctl(app::frm_Main::lblDevices));
    RECT client{};
    ::GetClientRect(window_->hwnd(), &client);
    EXPECT_LE(label.right, client.right - 15) << "the line paints past the window's margin";
    EXPECT_TRUE(::GetWindowLongPtrW(Ctl(app::frm_Main::lblDevices), GWL_STYLE) & SS_ENDELLIPSIS);
}

} // namespace
} // namespace kv::test
