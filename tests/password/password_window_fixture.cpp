#include "tests/password/password_window_fixture.h"

#include "password/frm_Login.h"

#include <algorithm>
#include <optional>
#include <random>

namespace kv::test {
namespace {

HHOOK g_hook = nullptr;
std::vector<std::wstring> g_shown;

LRESULT CALLBACK RecordShow(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (call->message == WM_SHOWWINDOW && call->wParam &&
            !(::GetWindowLongPtrW(call->hwnd, GWL_STYLE) & WS_CHILD)) {
            g_shown.push_back(WindowText(call->hwnd));
        }
    }
    return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

} // namespace

ShownWindows::ShownWindows() {
    g_shown.clear();
    g_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, &RecordShow, nullptr, ::GetCurrentThreadId());
    EXPECT_NE(g_hook, nullptr);
}

ShownWindows::~ShownWindows() {
    if (g_hook) {
        ::UnhookWindowsHookEx(g_hook);
        g_hook = nullptr;
    }
}

bool ShownWindows::Saw(const std::wstring& title) const {
    return std::find(g_shown.begin(), g_shown.end(), title) != g_shown.end();
}

const std::vector<std::wstring>& ShownWindows::titles() const {
    return g_shown;
}

MaskedSecret::MaskedSecret() {
    std::random_device random;
    std::uniform_int_distribution<int> letter(0, 51);
    for (std::size_t i = 0; i < kLength; ++i) {
        const int n = letter(random);
        const wchar_t c = static_cast<wchar_t>(n < 26 ? L'a' + n : L'A' + (n - 26));
        masked_.push_back(static_cast<wchar_t>(c ^ kMask));
    }
}

std::wstring MaskedSecret::Reveal() const {
    std::wstring text;
    text.reserve(kLength);
    for (wchar_t c : masked_) {
        text.push_back(static_cast<wchar_t>(c ^ kMask));
    }
    return text;
}

bool MaskedSecret::InMemory() const {
    // Read through ReadProcessMemory into a region of its own, so that a page that cannot
    // be read is a failed call, not a crash, and the copy is never searched itself.
    constexpr SIZE_T kChunk = 1 << 20;
    const std::size_t needle = kLength - kSkippedHead;
    auto* buffer = static_cast<wchar_t*>(
        ::VirtualAlloc(nullptr, kChunk + needle * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    if (!buffer) {
        ADD_FAILURE() << "no scan buffer";
        return true;
    }
    const auto matchesAt = [&](const wchar_t* p) {
        for (std::size_t k = 0; k < needle; ++k) {
            if (p[k] != static_cast<wchar_t>(masked_[kSkippedHead + k] ^ kMask)) {
                return false;
            }
        }
        return true;
    };
    bool found = false;
    MEMORY_BASIC_INFORMATION info{};
    const BYTE* address = nullptr;
    while (!found && ::VirtualQuery(address, &info, sizeof info) == sizeof info) {
        const auto* base = static_cast<const BYTE*>(info.BaseAddress);
        const DWORD readable = PAGE_READWRITE | PAGE_READONLY | PAGE_WRITECOPY |
                               PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_READ;
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE && (info.Protect & readable) &&
            !(info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) &&
            info.AllocationBase != static_cast<void*>(buffer)) {
            for (SIZE_T offset = 0; !found && offset < info.RegionSize; offset += kChunk) {
                const SIZE_T want =
                    std::min(kChunk + (needle - 1) * sizeof(wchar_t), info.RegionSize - offset);
                SIZE_T got = 0;
                if (!::ReadProcessMemory(::GetCurrentProcess(), base + offset, buffer, want,
                                         &got)) {
                    continue;
                }
                const std::size_t units = got / sizeof(wchar_t);
                for (std::size_t i = 0; !found && i + needle <= units; ++i) {
                    found = matchesAt(buffer + i);
                }
            }
        }
        const BYTE* next = base + info.RegionSize;
        if (next <= address) {
            break;
        }
        address = next;
    }
    ::SecureZeroMemory(buffer, kChunk + needle * sizeof(wchar_t));
    ::VirtualFree(buffer, 0, MEM_RELEASE);
    return found;
}

void TypeInto(HWND edit, const std::wstring& text) {
    ::SetFocus(edit);
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    ::SendMessageW(edit, WM_CLEAR, 0, 0);
    for (wchar_t unit : text) {
        ::SendMessageW(edit, WM_CHAR, unit, 1);
    }
}

password::StoredPasswordRead StoredValue() {
    return password::ReadStoredPassword();
}

void Store(const std::wstring& text) {
    ASSERT_TRUE(password::WriteStoredPassword(text).ok);
}

std::wstring Hashed(const std::wstring& text) {
    const std::optional<std::wstring> hashed = password::HashNewPassword(text, kFastIterations);
    EXPECT_TRUE(hashed.has_value());
    return hashed.value_or(L"");
}

std::string LeaveName(const ::testing::TestParamInfo<Leave>& param) {
    switch (param.param) {
    case Leave::CancelButton:
        return "CancelButton";
    case Leave::EscKey:
        return "EscKey";
    case Leave::CloseBox:
        return "CloseBox";
    }
    return "Unknown";
}

void LeaveDialog(HWND dialog, int cancelButton, Leave how) {
    switch (how) {
    case Leave::CancelButton:
        Click(::GetDlgItem(dialog, cancelButton));
        break;
    case Leave::EscKey:
        PressKey(VK_ESCAPE); // in the box that has the focus
        break;
    case Leave::CloseBox:
        ::SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

void PasswordWindowTest::SetUp() {
    ResetProgramEnded();
    DeleteKeyTree(HKEY_CURRENT_USER, kStoreKey);
}

void PasswordWindowTest::TearDown() {
    window_.reset();
    EXPECT_TRUE(AllShownActionsRan()) << "a window or message box that was expected never showed";
    DeleteKeyTree(HKEY_CURRENT_USER, kStoreKey);
}

void PasswordWindowTest::Start() {
    window_ = std::make_unique<app::frm_Main>(recorder_);
    window_->SetAuditSink(RecordingSink());
    window_->Show();
    Pump(50);
}

std::vector<audit::EventId> PasswordWindowTest::EventIds() const {
    std::vector<audit::EventId> ids;
    for (const audit::Event& event : events_) {
        ids.push_back(event.id);
    }
    return ids;
}

void PasswordWindowTest::Close() {
    if (window_ && window_->IsLoaded()) {
        Click(window_->Control(app::frm_Main::cmdClose));
    }
    window_.reset();
    recorder_.ClearCalls();
    ResetProgramEnded();
}

void PasswordWindowTest::LoginWith(std::vector<std::wstring> wrong, const std::wstring& right) {
    WhenShown(L"Login", [wrong = std::move(wrong), right](HWND dialog) {
        HWND box = ::GetDlgItem(dialog, password::frm_Login::txtPassword);
        HWND login = ::GetDlgItem(dialog, password::frm_Login::cmdLogin);
        EXPECT_EQ(::GetFocus(), box) << "the entry box has the focus when the dialog opens";
        EXPECT_EQ(WindowText(box), L"");
        for (const std::wstring& entry : wrong) {
            SCOPED_TRACE(testing::PrintToString(entry));
            TypeInto(box, entry);
            MessageBoxSeen seen;
            AnswerMessageBox(IDOK, &seen);
            Click(login);
            EXPECT_TRUE(seen.shown);
            EXPECT_EQ(seen.title, L"Kelvane");
            EXPECT_EQ(seen.text, L"Invalid password.");
            EXPECT_EQ(seen.icon, UINT{MB_ICONEXCLAMATION});
            EXPECT_FALSE(seen.hasYesNo);
            ASSERT_TRUE(::IsWindow(dialog)) << "a refused entry keeps the dialog open";
            EXPECT_EQ(WindowText(box), L"");
            EXPECT_EQ(::GetFocus(), box);
        }
        TypeInto(box, right);
        Click(login);
    });
}

void PasswordWindowTest::ExpectNextStartAccepts(const std::wstring& right,
                                                std::vector<std::wstring> wrong) {
    Close();
    LoginWith(std::move(wrong), right);
    Start();
    EXPECT_TRUE(AllShownActionsRan()) << "no login dialog";
    EXPECT_TRUE(MainShown());
    EXPECT_FALSE(ProgramEnded());
}

} // namespace kv::test
