#include "ui/modal_scope.h"

namespace kv::ui {

void ModalScope::Begin(const std::function<bool(HWND)>& disable) {
    struct Pass {
        const std::function<bool(HWND)>& disable;
        std::vector<HWND>& disabled;
    } pass{disable, disabled_};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto& p = *reinterpret_cast<Pass*>(param);
            if (::IsWindowEnabled(hwnd) && p.disable(hwnd)) {
                ::EnableWindow(hwnd, FALSE);
                p.disabled.push_back(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&pass));
}

void ModalScope::End() {
    for (HWND hwnd : disabled_) {
        if (::IsWindow(hwnd)) {
            ::EnableWindow(hwnd, TRUE);
        }
    }
    disabled_.clear();
}

} // namespace kv::ui
