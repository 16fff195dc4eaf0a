// About and Help opened from a real main window under Wine: modal, owned and centred on
// it, gone when closed, and the main window keeps its states and its device line keeps
// being refreshed meanwhile.

#include "app/frm_Main.h"
#include "registry/reg_win.h"
#include "info/frm_About.h"
#include "info/frm_Help.h"
#include "tests/drives/fake_drive_source.h"
#include "tests/info/info_test_support.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace kv::test {
namespace {

using M = app::frm_Main;
using drives::test::FakeDriveSource;

constexpr wchar_t kWriteProtectKey[] = L"SYSTEM\\CurrentControlSet\\Control\\StorageDevicePolicies";
constexpr wchar_t kUsbStorKey[] = L"SYSTEM\\CurrentControlSet\\services\\USBSTOR";
constexpr wchar_t kExplorerPolicies[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

std::optional<DWORD> Stored(HKEY root, const wchar_t* key, const wchar_t* name) {
    DWORD value = 0;
    if (!ReadDword(root, key, name, value)) {
        return std::nullopt;
    }
    return value;
}

// What the main window shows of the protections, read back from Windows.
struct MainState {
    std::vector<std::wstring> texts;
    std::vector<COLORREF> colours;
    std::vector<bool> shown;
    bool enabled = false;
    LRESULT errorLines = 0;
    std::optional<DWORD> writeProtect, start, autorunMachine, autorunUser;

    bool operator==(const MainState&) const = default;
};

class InfoFromMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramEnded();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\kelvane"); // no password to ask for
        auto source = std::make_unique<FakeDriveSource>();
        drives_ = source.get();
        drives_->drives = {{L"E", drives::DriveType::Removable, true, L"STICK"}};
        main_ = std::make_unique<app::frm_Main>(reg::WindowsRegistry());
        main_->SetDriveSource(std::move(source));
        main_->Show();
        Pump(50);
        ASSERT_EQ(WindowText(Ctl(M::lblDevices)), L"1 device(s) detected: STICK (E:)");
    }

    void TearDown() override {
        main_.reset();
        EXPECT_TRUE(AllShownActionsRan());
    }

    HWND Ctl(int id) const { return main_->Control(id); }

    MainState State() const {
        MainState s;
        for (int id : {M::lblStatus, M::cmdApply, M::lblUSBLockStatus, M::cmdLock,
                       M::lblUSBDeviceARStatus, M::cmdUSBAutorunControl, M::txtRegValue}) {
            s.texts.push_back(WindowText(Ctl(id)));
        }
        for (int id : {M::lblStatus, M::lblUSBLockStatus, M::lblUSBDeviceARStatus}) {
            s.colours.push_back(LabelTextColor(Ctl(id)));
        }
        for (int id : {M::imgEnabled, M::imgDisabled, M::imgLocked, M::imgUnLocked,
                       M::imgUSBDeviceAREnabled, M::imgUSBDeviceARDisabled}) {
            s.shown.push_back(IsShown(Ctl(id)));
        }
        s.enabled = ::IsWindowEnabled(main_->hwnd()) != FALSE;
        s.errorLines = ::SendMessageW(Ctl(M::lstErrs), LB_GETCOUNT, 0, 0);
        s.writeProtect = Stored(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect");
        s.start = Stored(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start");
        s.autorunMachine = Stored(HKEY_LOCAL_MACHINE, kExplorerPolicies, L"NoDriveTypeAutoRun");
        s.autorunUser = Stored(HKEY_CURRENT_USER, kExplorerPolicies, L"NoDriveTypeAutoRun");
        return s;
    }

    // While a modal window is open: plugs another drive and waits for the main window's
    // timer to show it (it ticks every 5 seconds).
    bool DeviceLineRefreshesMeanwhile() {
        drives_->SetDrives({{L"E", drives::DriveType::Removable, true, L"STICK"},
                            {L"F", drives::DriveType::Removable, true, L"BACKUP"}});
        return PumpUntil(
            [&] {
                return WindowText(Ctl(M::lblDevices)) ==
                       L"2 device(s) detected: STICK (E:), BACKUP (F:)";
            },
            7000);
    }

    // How the modal window sits over the main window.
    struct Placement {
        HWND owner = nullptr;
        bool appWindow = true;
        int dx = 0, dy = 0; // centre offsets from the main window's centre
        bool mainEnabled = true;
    };
    Placement PlacementOf(HWND w) const {
        RECT mine{}, main{};
        ::GetWindowRect(w, &mine);
        ::GetWindowRect(main_->hwnd(), &main);
        return {::GetWindow(w, GW_OWNER), HasExStyle(w, WS_EX_APPWINDOW),
                (mine.left + mine.right) / 2 - (main.left + main.right) / 2,
                (mine.top + mine.bottom) / 2 - (main.top + main.bottom) / 2,
                ::IsWindowEnabled(main_->hwnd()) != FALSE};
    }

    FakeDriveSource* drives_ = nullptr;
    std::unique_ptr<app::frm_Main> main_;
};

TEST_F(InfoFromMainTest, AboutIsModalOverTheMainWindowWhichCarriesOn) {
    const MainState before = State();
    HWND about = nullptr;
    Placement placed;
    bool focusOnOk = false;
    bool refreshed = false;
    bool closedByEnter = false;
    WhenShown(L"About...", [&](HWND w) {
        about = w;
        placed = PlacementOf(w);
        focusOnOk = ::GetFocus() == ::GetDlgItem(w, info::frm_About::cmdOK);
        refreshed = DeviceLineRefreshesMeanwhile();
        closedByEnter = KeyCloses(w, VK_RETURN);
        CloseIfOpen(w);
    });
    Click(Ctl(M::cmdAbout)); // returns when the About window has closed

    ASSERT_TRUE(about);
    EXPECT_TRUE(closedByEnter);
    EXPECT_EQ(placed.owner, main_->hwnd());
    EXPECT_FALSE(placed.appWindow);
    EXPECT_LE(std::abs(placed.dx), 1);
    EXPECT_LE(std::abs(placed.dy), 1);
    EXPECT_FALSE(placed.mainEnabled) << "the main window takes no input meanwhile";
    EXPECT_TRUE(focusOnOk);
    EXPECT_TRUE(refreshed) << "device line: "
                           << testing::PrintToString(WindowText(Ctl(M::lblDevices)));

    EXPECT_FALSE(::IsWindow(about)) << "closing destroys it";
    EXPECT_FALSE(ProgramEnded());
    EXPECT_EQ(State(), before);
    EXPECT_EQ(::GetActiveWindow(), main_->hwnd());
}

TEST_F(InfoFromMainTest, EscClosesAboutAndEachShowingStartsAfresh) {
    std::wstring firstVersion, secondVersion;
    bool firstClosed = false, secondClosed = false;
    WhenShown(L"About...", [&](HWND w) {
        if (info::frm_About* about = FormOf<info::frm_About>(w)) {
            firstVersion = about->Text(info::frm_About::Label1);
            about->SetText(info::frm_About::Label1, L"changed while open");
        }
        firstClosed = KeyCloses(w, VK_ESCAPE);
        CloseIfOpen(w);
    });
    Click(Ctl(M::cmdAbout));
    EXPECT_TRUE(firstClosed);

    WhenShown(L"About...", [&](HWND w) {
        secondVersion = WindowText(
            ::GetDlgItem(::GetDlgItem(w, info::frm_About::Picture1), info::frm_About::Label1));
        secondClosed = KeyCloses(w, VK_ESCAPE);
        CloseIfOpen(w);
    });
    Click(Ctl(M::cmdAbout));
    EXPECT_TRUE(secondClosed);
    EXPECT_EQ(firstVersion, L"Version: 2.0.0");
    EXPECT_EQ(secondVersion, L"Version: 2.0.0");
    EXPECT_FALSE(FindVisibleTopLevel(L"About..."));
    EXPECT_TRUE(::IsWindowEnabled(main_->hwnd()));
}

TEST_F(InfoFromMainTest, HelpIgnoresEscClosesOnItsCloseBoxAndTheMainWindowCarriesOn) {
    const MainState before = State();
    HWND help = nullptr;
    Placement placed;
    bool openAfterEsc = false;
    bool refreshed = false;
    bool closedByCloseBox = false;
    WhenShown(L"Help", [&](HWND w) {
        help = w;
        placed = PlacementOf(w);
        openAfterEsc = !KeyCloses(w, VK_ESCAPE);
        if (openAfterEsc) {
            refreshed = DeviceLineRefreshesMeanwhile();
            ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); // the title bar's close box
        }
        closedByCloseBox = PumpUntil([w] { return !::IsWindow(w); }, 2000);
        CloseIfOpen(w);
    });
    Click(Ctl(M::cmdHelp));

    ASSERT_TRUE(help);
    EXPECT_TRUE(openAfterEsc);
    EXPECT_TRUE(closedByCloseBox);
    EXPECT_EQ(placed.owner, main_->hwnd());
    EXPECT_FALSE(placed.appWindow);
    EXPECT_LE(std::abs(placed.dx), 1);
    // About as tall as the main window: centred unless the screen's edge keeps it down.
    RECT rc{};
    ::GetWindowRect(main_->hwnd(), &rc);
    EXPECT_TRUE(std::abs(placed.dy) <= 1 || rc.top <= 2) << placed.dy;
    EXPECT_FALSE(placed.mainEnabled);
    EXPECT_TRUE(refreshed) << "device line: "
                           << testing::PrintToString(WindowText(Ctl(M::lblDevices)));

    EXPECT_FALSE(::IsWindow(help)) << "closing destroys it";
    EXPECT_FALSE(ProgramEnded());
    EXPECT_EQ(State(), before);
    EXPECT_EQ(::GetActiveWindow(), main_->hwnd());

    // And again: a fresh window that still ignores Esc.
    bool openAgainAfterEsc = false;
    WhenShown(L"Help", [&](HWND w) {
        openAgainAfterEsc = !KeyCloses(w, VK_ESCAPE);
        CloseIfOpen(w);
    });
    Click(Ctl(M::cmdHelp));
    EXPECT_TRUE(openAgainAfterEsc);
    EXPECT_FALSE(FindVisibleTopLevel(L"Help"));
}

} // namespace
} // namespace kv::test
