#include "tests/support/ui_driver.h"

#include "ui/form.h"
#include "ui/message_loop.h"

#include <sddl.h>

#include <deque>
#include <utility>

namespace kv::test {
namespace {

bool g_programEnded = false;

struct PendingShown {
    std::wstring title;
    std::function<void(HWND)> action;
};
std::deque<PendingShown> g_pending;
UINT_PTR g_timer = 0;

void CALLBACK CheckShown(HWND, UINT, UINT_PTR, DWORD) {
    if (g_pending.empty()) {
        return;
    }
    HWND found = FindVisibleTopLevel(g_pending.front().title);
    if (!found) {
        return;
    }
    PendingShown next = std::move(g_pending.front());
    g_pending.pop_front();
    if (g_pending.empty() && g_timer) {
        ::KillTimer(nullptr, g_timer);
        g_timer = 0;
    }
    next.action(found);
}

} // namespace

void Pump(int ms) {
    const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(ms);
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                continue; // the program would end; tests see that through ProgramEnded
            }
            if (!ui::Form::PreTranslate(msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        ui::WaitForInput(5); // the forms' watched events too, as the program's loop
    } while (::GetTickCount64() < end);
}

bool PumpUntil(const std::function<bool()>& cond, int timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    while (!cond()) {
        if (::GetTickCount64() >= end) {
            return cond();
        }
        Pump(10);
    }
    return true;
}

bool ProgramEnded() {
    return g_programEnded;
}
void ResetProgramEnded() {
    g_programEnded = false;
    ui::Form::SetLastFormUnloadedHandler([] { g_programEnded = true; });
}

void Click(HWND control) {
    wchar_t cls[32] = {};
    ::GetClassNameW(control, cls, 32);
    if (::lstrcmpiW(cls, L"STATIC") == 0) {
        // A label has no BM_CLICK: it tells its parent, as a mouse click makes it do.
        ::SendMessageW(::GetParent(control), WM_COMMAND,
                       MAKEWPARAM(::GetDlgCtrlID(control), STN_CLICKED),
                       reinterpret_cast<LPARAM>(control));
    } else {
        ::SendMessageW(control, BM_CLICK, 0, 0);
    }
}

void PressKey(UINT vk) {
    HWND target = ::GetFocus();
    if (!target) {
        target = ::GetActiveWindow();
    }
    const UINT scan = ::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    ::PostMessageW(target, WM_KEYDOWN, vk, 1 | (scan << 16));
    ::PostMessageW(target, WM_KEYUP, vk, 1 | (scan << 16) | (3u << 30));
    Pump(50);
}

void WhenShown(const std::wstring& title, std::function<void(HWND)> action) {
    g_pending.push_back({title, std::move(action)});
    if (!g_timer) {
        g_timer = ::SetTimer(nullptr, 0, 30, &CheckShown);
    }
}

bool AllShownActionsRan() {
    const bool all = g_pending.empty();
    g_pending.clear();
    if (g_timer) {
        ::KillTimer(nullptr, g_timer);
        g_timer = 0;
    }
    return all;
}

void AnswerMessageBox(int button, MessageBoxSeen* seen) {
    WhenShown(L"Kelvane", [button, seen](HWND box) {
        wchar_t cls[32] = {};
        ::GetClassNameW(box, cls, 32);
        if (seen) {
            seen->shown = ::lstrcmpW(cls, L"#32770") == 0;
            seen->title = WindowText(box);
            seen->text = WindowText(::GetDlgItem(box, 0xFFFF));
            seen->hasYesNo = ::GetDlgItem(box, IDYES) && ::GetDlgItem(box, IDNO);
            // The icon is the static of type SS_ICON (its id is 20 on Windows, another under
            // Wine); compare what it holds with the system's icons.
            HWND iconCtl = nullptr;
            ::EnumChildWindows(
                box,
                [](HWND child, LPARAM found) -> BOOL {
                    wchar_t name[16] = {};
                    ::GetClassNameW(child, name, 16);
                    if (::lstrcmpiW(name, L"Static") == 0 &&
                        (::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                        *reinterpret_cast<HWND*>(found) = child;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&iconCtl));
            HICON icon = iconCtl
                             ? reinterpret_cast<HICON>(::SendMessageW(iconCtl, STM_GETICON, 0, 0))
                             : nullptr;
            const std::pair<LPCWSTR, UINT> kinds[] = {{IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                                                      {IDI_QUESTION, MB_ICONQUESTION},
                                                      {IDI_INFORMATION, MB_ICONINFORMATION},
                                                      {IDI_ERROR, MB_ICONERROR}};
            for (const auto& [id, flag] : kinds) {
                if (icon && icon == ::LoadIconW(nullptr, id)) {
                    seen->icon = flag;
                }
            }
            seen->defaultButton = ::GetDlgCtrlID(::GetFocus());
        }
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
    });
}

std::wstring WindowText(HWND hwnd) {
    if (!hwnd) {
        return L"<no window>";
    }
    const int length = ::GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, text.data(), length + 1)));
    return text;
}

bool IsShown(HWND hwnd) {
    return hwnd && ::IsWindowVisible(hwnd);
}

COLORREF LabelTextColor(HWND label) {
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    ::SetTextColor(dc, RGB(1, 2, 3));
    ::SendMessageW(::GetParent(label), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(label));
    const COLORREF color = ::GetTextColor(dc);
    ::DeleteDC(dc);
    return color;
}

RECT RectInParent(HWND control) {
    RECT rc{};
    ::GetWindowRect(control, &rc);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

HWND FindVisibleTopLevel(const std::wstring& title) {
    struct Search {
        const std::wstring* title;
        HWND found;
    } search{&title, nullptr};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (::IsWindowVisible(hwnd) && WindowText(hwnd) == *s->title) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void DeleteKeyTree(HKEY root, const wchar_t* subKey) {
    ::RegDeleteTreeW(root, subKey);
}

bool ReadDword(HKEY root, const wchar_t* subKey, const wchar_t* name, DWORD& value) {
    DWORD size = sizeof(value);
    return ::RegGetValueW(root, subKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
           ERROR_SUCCESS;
}

void WriteDword(HKEY root, const wchar_t* subKey, const wchar_t* name, DWORD value) {
    ::RegSetKeyValueW(root, subKey, name, REG_DWORD, &value, sizeof(value));
}

bool KeyExists(HKEY root, const wchar_t* subKey) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

} // namespace kv::test

namespace kv::test {

namespace {
bool SetAccessList(HKEY key, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                                nullptr)) {
        return false;
    }
    const bool set = ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == 0;
    ::LocalFree(descriptor);
    return set;
}
} // namespace

ReadOnlyKey::ReadOnlyKey(HKEY root, const wchar_t* subKey, const wchar_t* accessList) {
    if (::RegOpenKeyExW(root, subKey, 0, READ_CONTROL | WRITE_DAC, &key_) != 0) {
        key_ = nullptr;
        return;
    }
    DWORD size = 0;
    ::RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
    saved_.resize(size);
    if (size == 0 ||
        ::RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data(), &size) != 0) {
        saved_.clear();
    }
    locked_ = SetAccessList(key_, accessList);
}

ReadOnlyKey::~ReadOnlyKey() {
    if (!key_) {
        return;
    }
    if (locked_ && (saved_.empty() ||
                    ::RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data()) != 0)) {
        SetAccessList(key_, L"D:P(A;;KA;;;WD)"); // at least full access again
    }
    ::RegCloseKey(key_);
}

} // namespace kv::test
