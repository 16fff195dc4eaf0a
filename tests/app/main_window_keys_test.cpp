// The main window's keyboard and its ways of closing.

#include "tests/app/main_window_fixture.h"

namespace kv::test {
namespace {

using M = app::frm_Main;

TEST_F(MainWindowTest, FocusStartsOnApplyAndEnterPressesIt) {
    WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 0);
    Start();
    EXPECT_EQ(::GetFocus(), Ctl(M::cmdApply));
    PressKey(VK_RETURN);
    DWORD value = 0;
    ASSERT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", value));
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(TextOf(M::lblStatus), L"Enabled");
    EXPECT_FALSE(ProgramEnded());
}

TEST_F(MainWindowTest, TabOrderFollowsTheDesign) {
    Start();
    const int order[] = {M::cmdApply,    M::cmdLock, M::cmdUSBAutorunControl,
                         M::cmdPassword, M::cmdHelp, M::cmdClose,
                         M::cmdAbout,    M::cmdApply};
    for (size_t i = 1; i < std::size(order); ++i) {
        PressKey(VK_TAB);
        EXPECT_EQ(::GetFocus(), Ctl(order[i])) << "tab stop " << i;
    }
}

class EscapeTest : public MainWindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(EscapeTest, EscClosesTheWindowWhateverHasTheFocus) {
    Start();
    ::SetFocus(Ctl(GetParam()));
    HWND hwnd = window_->hwnd();
    PressKey(VK_ESCAPE);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_TRUE(ProgramEnded());
}

INSTANTIATE_TEST_SUITE_P(Focus, EscapeTest,
                         ::testing::Values(M::cmdApply, M::cmdLock, M::cmdUSBAutorunControl,
                                           M::cmdAbout, M::cmdClose));

TEST_F(MainWindowTest, CloseButtonAndCloseBoxEndTheProgram) {
    Start();
    Click(Ctl(M::cmdClose));
    EXPECT_FALSE(window_->IsLoaded());
    EXPECT_TRUE(ProgramEnded());

    ResetProgramEnded();
    Start();
    ::SendMessageW(window_->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump(20);
    EXPECT_FALSE(window_->IsLoaded());
    EXPECT_TRUE(ProgramEnded());
}

TEST_F(MainWindowTest, AccessKeysPressTheirButtons) {
    WriteDword(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", 3);
    Start();
    // Alt+L is "&Lock".
    HWND focus = ::GetFocus();
    ::PostMessageW(focus, WM_SYSKEYDOWN, 'L', 0x20000001);
    ::PostMessageW(focus, WM_SYSCHAR, 'l', 0x20000001);
    ::PostMessageW(focus, WM_SYSKEYUP, 'L', 0xE0000001);
    PumpUntil([&] { return TextOf(M::lblUSBLockStatus) == L"Locked"; }, 2000);
    EXPECT_EQ(TextOf(M::lblUSBLockStatus), L"Locked");
    DWORD value = 0;
    ReadDword(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", value);
    EXPECT_EQ(value, 4u);
}

} // namespace
} // namespace kv::test
