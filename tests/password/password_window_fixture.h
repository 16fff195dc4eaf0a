#pragma once
// The login and settings dialogs under Wine, driven through the real program: a real main
// window over the real registry (seen through a recorder), the real per-user store at
// HKCU\Software\kelvane, and text entered through the dialogs' own edit controls.

#include "app/frm_Main.h"
#include "audit/audit_trail.h"
#include "password/pbkdf2_win.h"
#include "password/settings_store_win.h"
#include "registry/reg_win.h"
#include "tests/support/registry/reg_memory.h"
#include "tests/support/ui_driver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kv::test {

inline constexpr wchar_t kMainTitle[] = L"Kelvane - USB Device Security Protection";
inline constexpr wchar_t kStoreKey[] = L"Software\\kelvane";
inline constexpr std::uint32_t kFastIterations = 1000;

// Records the titles of the top-level windows of this thread as they are shown.
class ShownWindows {
public:
    ShownWindows();
    ~ShownWindows();
    ShownWindows(const ShownWindows&) = delete;
    ShownWindows& operator=(const ShownWindows&) = delete;

    bool Saw(const std::wstring& title) const;
    const std::vector<std::wstring>& titles() const;
};

// Replaces the edit control's text as typing would: select all, then one WM_CHAR per
// UTF-16 unit (so a surrogate pair arrives as two, as from the keyboard).
void TypeInto(HWND edit, const std::wstring& text);

// A password made up at run time and kept only masked, so that the only copies in clear
// are the ones the program under test makes of what is typed.
class MaskedSecret {
public:
    MaskedSecret();
    // The text in clear, for typing; the caller wipes it (password::WipeText) at once.
    std::wstring Reveal() const;
    // Whether the process's own memory, freed blocks included, holds the text in UTF-16.
    // Its head is left out of the search: a heap overwrites the start of a freed block.
    bool InMemory() const;

private:
    static constexpr std::size_t kLength = 48;
    static constexpr std::size_t kSkippedHead = 16;
    static constexpr wchar_t kMask = 0x5A5A;
    std::wstring masked_;
};

// The store's raw value, read with the store's own reader.
password::StoredPasswordRead StoredValue();
// Puts a value into the real store directly.
void Store(const std::wstring& text);
// The hashed form of `text` at few iterations, as a test puts it there.
std::wstring Hashed(const std::wstring& text);

// The ways of leaving a dialog other than its main button.
enum class Leave { CancelButton, EscKey, CloseBox };
std::string LeaveName(const ::testing::TestParamInfo<Leave>& param);
void LeaveDialog(HWND dialog, int cancelButton, Leave how);

class PasswordWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates and shows the main window; returns when its start-up has ended (the login
    // dialog, if any, is answered by WhenShown actions registered before).
    void Start();
    // Ends the running main window, as its close button does, ready for the next start.
    void Close();

    // The login dialog's part of the next start: refuses each of `wrong` (each answered
    // "Invalid password." and checked), then enters `right` and clicks "&Login".
    void LoginWith(std::vector<std::wstring> wrong, const std::wstring& right);
    // Whether the next start lets `right` in and refuses `wrong`, ending with the main
    // window displayed.
    void ExpectNextStartAccepts(const std::wstring& right, std::vector<std::wstring> wrong = {});

    bool MainShown() const { return window_ && window_->IsLoaded() && IsShown(window_->hwnd()); }

    // The ids of the events the windows recorded, in order.
    std::vector<audit::EventId> EventIds() const;
    audit::Sink RecordingSink() {
        return [this](const audit::Event& event) {
            events_.push_back(event);
            return 0L;
        };
    }

    kv::test::RegistryRecorder recorder_{reg::WindowsRegistry()};
    std::vector<audit::Event> events_; // what the windows wrote to the event log
    std::unique_ptr<app::frm_Main> window_;
};

} // namespace kv::test
