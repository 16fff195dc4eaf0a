// A DPI change on the real window: every control gets its new font and picture before the
// old ones are freed, so none ever holds, paints with or hands out a freed handle.

#include "tests/app/main_window_fixture.h"

#include <commctrl.h>

#include <vector>

namespace kv::test {
namespace {

using M = app::frm_Main;

// Watches the messages that reach the window's controls while the DPI changes.
struct Watch {
    HWND form = nullptr;
    std::vector<std::wstring> faults;
    bool inside = false;
};
Watch* g_watch = nullptr;

bool ImageListAlive(HIMAGELIST list) {
    return ::ImageList_GetImageCount(list) > 0;
}

LRESULT CALLBACK Observe(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    Watch& w = *g_watch;
    if (code == HC_ACTION && !w.inside && ::IsChild(w.form, sent->hwnd)) {
        w.inside = true;
        const UINT msg = sent->message;
        if (msg == WM_SETFONT || msg == WM_PAINT || msg == BCM_SETIMAGELIST) {
            // What the control holds right now, about to be replaced or painted with.
            auto held = reinterpret_cast<HGDIOBJ>(::SendMessageW(sent->hwnd, WM_GETFONT, 0, 0));
            if (held && ::GetObjectType(held) != OBJ_FONT) {
                w.faults.push_back(L"a control holds a freed font at message " +
                                   std::to_wstring(msg));
            }
            if (msg == WM_SETFONT && sent->wParam &&
                ::GetObjectType(reinterpret_cast<HGDIOBJ>(sent->wParam)) != OBJ_FONT) {
                w.faults.push_back(L"a freed font is handed to a control");
            }
            BUTTON_IMAGELIST list{};
            if (::SendMessageW(sent->hwnd, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list)) &&
                list.himl && !ImageListAlive(list.himl)) {
                w.faults.push_back(L"a button holds a freed image list");
            }
        }
        w.inside = false;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MainWindowTest, DpiChangeNeverLeavesAControlWithAFreedHandle) {
    Start();
    Watch watch{window_->hwnd()};
    g_watch = &watch;
    HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, &Observe, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    RECT suggested{};
    ::GetWindowRect(window_->hwnd(), &suggested);
    for (unsigned dpi : {144u, 96u}) {
        ::SendMessageW(window_->hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                       reinterpret_cast<LPARAM>(&suggested));
        ::UpdateWindow(window_->hwnd());
        ::RedrawWindow(window_->hwnd(), nullptr, nullptr,
                       RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    ::UnhookWindowsHookEx(hook);
    g_watch = nullptr;
    for (const std::wstring& fault : watch.faults) {
        ADD_FAILURE() << std::string(fault.begin(), fault.end());
        break; // one is enough to tell
    }
    // Back at 96 DPI with live fonts and pictures of that size.
    auto font = reinterpret_cast<HFONT>(::SendMessageW(Ctl(M::cmdApply), WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    ASSERT_EQ(::GetObjectW(font, sizeof(lf), &lf), static_cast<int>(sizeof(lf)));
    EXPECT_EQ(lf.lfHeight, -(825 * 96 / 7200));
    BUTTON_IMAGELIST list{};
    ::SendMessageW(Ctl(M::cmdApply), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
    int w = 0, h = 0;
    EXPECT_TRUE(::ImageList_GetIconSize(list.himl, &w, &h));
    EXPECT_EQ(w, 22);
}

} // namespace
} // namespace kv::test
