#include "app/startup.h"

#include "ui/message_box.h"
#include "ui/message_loop.h"
#include "win32/report.h"

#include <exception>
#include <string>

namespace kv::app {
namespace {

// Why the window is not there, or nothing when it is (or the login ended the program).
std::wstring ShowOrExplain(ui::Form& main) {
    try {
        main.Show();
        if (main.IsLoaded() && !::IsWindowVisible(main.hwnd())) {
            return L"The window could not be shown.";
        }
        return {};
    } catch (const std::exception& e) {
        return win32::ExceptionMessage(e);
    } catch (...) {
        return L"An unknown error occurred.";
    }
}

} // namespace

int RunMainWindow(ui::Form& main) {
    const std::wstring failure = ShowOrExplain(main);
    if (failure.empty()) {
        return ui::RunMessageLoop();
    }
    win32::Report(L"start-up: " + failure);
    // Told before the half-made window goes: once the last window is gone the program's
    // quit message is on its way, and a message box would close at once.
    ui::ShowMessage(L"Kelvane", L"Kelvane could not open its window.\r\n\r\n" + failure,
                    ui::MessageIcon::Error, ui::MessageButtons::Ok);
    win32::Guard(L"start-up clean-up", [&] { main.Unload(); });
    return kStartupFailed;
}

} // namespace kv::app
