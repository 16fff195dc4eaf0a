#pragma once
// A real main window under Wine, over the real registry seen through a recorder that can
// fail chosen calls. The protections' values are set before each test.

#include "app/frm_Main.h"
#include "registry/reg_win.h"
#include "tests/support/registry/reg_memory.h"
#include "tests/support/ui_driver.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace kv::test {

inline constexpr wchar_t kWriteProtectKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\StorageDevicePolicies";
inline constexpr wchar_t kUsbStorKey[] = L"SYSTEM\\CurrentControlSet\\services\\USBSTOR";
inline constexpr wchar_t kExplorerPolicies[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramEnded();
        DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\kelvane"); // no password
        // Known states for the other two switches, so their reads add no error lines.
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kWriteProtectKey);
        WriteDword(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", 3);
        WriteDword(HKEY_LOCAL_MACHINE, kExplorerPolicies, L"NoDriveTypeAutoRun", 0);
        WriteDword(HKEY_CURRENT_USER, kExplorerPolicies, L"NoDriveTypeAutoRun", 0);
    }

    void TearDown() override {
        window_.reset();
        EXPECT_TRUE(AllShownActionsRan());
        EXPECT_EQ(recorder_.OpenKeyCount(), 0u) << "a registry key was left open";
    }

    app::frm_Main& Start() {
        window_ = std::make_unique<app::frm_Main>(recorder_);
        window_->Show();
        Pump(50);
        return *window_;
    }

    HWND Ctl(int id) const { return window_->Control(id); }
    std::wstring TextOf(int id) const { return WindowText(Ctl(id)); }
    COLORREF ColorOf(int id) const { return LabelTextColor(Ctl(id)); }
    bool Shown(int id) const { return IsShown(Ctl(id)); }
    int ErrorLines() const {
        return static_cast<int>(::SendMessageW(Ctl(app::frm_Main::lstErrs), LB_GETCOUNT, 0, 0));
    }
    std::wstring ErrorLine(int index) const {
        HWND list = Ctl(app::frm_Main::lstErrs);
        const auto length = ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        return text;
    }

    kv::test::RegistryRecorder recorder_{reg::WindowsRegistry()};
    std::unique_ptr<app::frm_Main> window_;
};

inline constexpr COLORREF kGreen = RGB(0, 128, 0);
inline constexpr COLORREF kRed = RGB(192, 0, 0);
inline constexpr COLORREF kAmber = RGB(150, 88, 0); // a state that cannot be known

} // namespace kv::test
