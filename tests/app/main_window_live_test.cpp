// The window follows changes made by other processes at once: another process (Wine's own
// `reg` program) changes a protection's value while the window is open, and the window
// shows the new state within about a second, with no click and no timer tick.
#include "tests/app/main_window_fixture.h"

#include <string>

namespace kv::test {
namespace {

using M = app::frm_Main;

// Runs a command line in a process of its own and waits for it; its exit code.
DWORD RunProcess(std::wstring commandLine) {
    STARTUPINFOW startup{sizeof(startup)};
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                          nullptr, nullptr, &startup, &process)) {
        return ::GetLastError();
    }
    DWORD code = WAIT_TIMEOUT;
    if (::WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(process.hProcess, &code);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code;
}

// `reg add` of a DWORD by another process.
DWORD RegAdd(const std::wstring& key, const wchar_t* name, DWORD value) {
    return RunProcess(L"reg.exe add \"" + key + L"\" /v " + name + L" /t REG_DWORD /d " +
                      std::to_wstring(value) + L" /f");
}

const std::wstring kMachine = L"HKEY_LOCAL_MACHINE\\";
const std::wstring kUser = L"HKEY_CURRENT_USER\\";

class LiveTest : public MainWindowTest {
protected:
    // The window as the user left it: the timer that follows the drives is stopped, so
    // nothing but the change notification can bring the new state.
    void StartWithoutTimer() {
        Start();
        ::KillTimer(window_->hwnd(), M::Timer1);
    }
};

struct OutsideChange {
    const char* name;
    std::function<void()> before; // the registry before the window opens
    std::wstring key;             // what the other process sets
    const wchar_t* value;
    DWORD to;
    int label;
    const wchar_t* wordBefore;
    const wchar_t* wordAfter;
    int button;
    const wchar_t* captionAfter;
};

class OutsideChangeTest : public LiveTest, public ::testing::WithParamInterface<OutsideChange> {};

TEST_P(OutsideChangeTest, ShowsWithinASecondWithoutAClick) {
    const OutsideChange& c = GetParam();
    c.before();
    StartWithoutTimer();
    ASSERT_EQ(TextOf(c.label), c.wordBefore);
    const int lines = ErrorLines();

    ASSERT_EQ(RegAdd(c.key, c.value, c.to), 0u) << "reg add failed";
    EXPECT_TRUE(PumpUntil([&] { return TextOf(c.label) == c.wordAfter; }, 1000))
        << "the window still shows " << ::testing::PrintToString(TextOf(c.label));
    EXPECT_EQ(TextOf(c.button), c.captionAfter);
    EXPECT_EQ(ErrorLines(), lines) << "a change made elsewhere is not an error";
}

INSTANTIATE_TEST_SUITE_P(
    Switches, OutsideChangeTest,
    ::testing::Values(
        OutsideChange{"LockTakenOff",
                      [] { WriteDword(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", 4); },
                      kMachine + kUsbStorKey, L"Start", 3, M::lblUSBLockStatus, L"Locked",
                      L"Unlocked", M::cmdLock, L"&Lock"},
        OutsideChange{"WriteProtectionPutOn",
                      [] { WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 0); },
                      kMachine + kWriteProtectKey, L"WriteProtect", 1, M::lblStatus, L"Disabled",
                      L"Enabled", M::cmdApply, L"&Disable"},
        // The per-user key does not exist: its parent is watched until it appears.
        OutsideChange{
            "AutorunKeyMadeElsewhere", [] { DeleteKeyTree(HKEY_CURRENT_USER, kExplorerPolicies); },
            kUser + kExplorerPolicies, L"NoDriveTypeAutoRun", 255, M::lblUSBDeviceARStatus,
            L"Enabled", L"Disabled", M::cmdUSBAutorunControl, L"&Enable"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(LiveTest, AnUnrelatedChangeInAWatchedKeyAddsNothing) {
    // The key exists without its value: each read of it lists one error line.
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kWriteProtectKey);
    StartWithoutTimer();
    const int lines = ErrorLines();
    ASSERT_EQ(lines, 1);
    ASSERT_EQ(RegAdd(kMachine + kWriteProtectKey, L"Unrelated", 1), 0u);
    Pump(600);
    EXPECT_EQ(ErrorLines(), lines) << "the same state was read and listed again";
    EXPECT_EQ(TextOf(M::lblStatus), L"Disabled");
}

TEST_F(LiveTest, TheWindowsOwnClickIsShownOnce) {
    WriteDword(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", 3);
    StartWithoutTimer();
    const int lines = ErrorLines();
    Click(Ctl(M::cmdLock));
    ASSERT_EQ(TextOf(M::lblUSBLockStatus), L"Locked");
    const std::size_t reads = recorder_.Calls().size();
    Pump(600);
    // The notification of its own write reads once more and finds the state it shows.
    EXPECT_EQ(TextOf(M::lblUSBLockStatus), L"Locked");
    EXPECT_EQ(ErrorLines(), lines);
    EXPECT_LE(recorder_.Calls().size() - reads, 6u) << "the window keeps reading";
}

// What the main window's label reads when About, shown modally over it, is closed.
std::wstring g_lockWordWhileAbout;
HWND g_lockLabel = nullptr;

TEST_F(LiveTest, AChangeWhileAModalWindowIsOpenShowsAtOnce) {
    WriteDword(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", 4);
    StartWithoutTimer();
    g_lockLabel = Ctl(M::lblUSBLockStatus);
    g_lockWordWhileAbout.clear();
    WhenShown(L"About...", [](HWND about) {
        ASSERT_EQ(RegAdd(kMachine + kUsbStorKey, L"Start", 3), 0u);
        // Looked at from About's own loop a second later, then About is closed.
        static HWND s_about = nullptr;
        s_about = about;
        ::SetTimer(nullptr, 0, 1000, [](HWND, UINT, UINT_PTR id, DWORD) {
            ::KillTimer(nullptr, id);
            g_lockWordWhileAbout = WindowText(g_lockLabel);
            ::PostMessageW(s_about, WM_CLOSE, 0, 0);
        });
    });
    Click(Ctl(M::cmdAbout));
    EXPECT_EQ(g_lockWordWhileAbout, L"Unlocked");
}

TEST_F(LiveTest, AnUnreadableValueShowsUnknownWithItsReason) {
    WriteDword(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", 4);
    {
        ReadOnlyKey closed(HKEY_LOCAL_MACHINE, kUsbStorKey, L"D:P");
        ASSERT_TRUE(closed.locked());
        StartWithoutTimer();
    }
    EXPECT_EQ(TextOf(M::lblUSBLockStatus), L"Unknown (access denied)");
    EXPECT_EQ(ColorOf(M::lblUSBLockStatus), kAmber);
    EXPECT_TRUE(Shown(M::imgUSBLockUnknown));
    EXPECT_FALSE(Shown(M::imgLocked));
    EXPECT_FALSE(Shown(M::imgUnLocked));
    EXPECT_EQ(TextOf(M::cmdLock), L"&Lock") << "the protective change is offered";

    // Readable again: the value, 4 all along, is shown by the next read.
    Click(Ctl(M::cmdLock));
    EXPECT_EQ(TextOf(M::lblUSBLockStatus), L"Locked");
    EXPECT_FALSE(Shown(M::imgUSBLockUnknown));
    EXPECT_EQ(ColorOf(M::lblUSBLockStatus), kRed);
}

} // namespace
} // namespace kv::test
