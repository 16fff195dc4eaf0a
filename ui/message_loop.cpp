#include "ui/message_loop.h"

#include "ui/form.h"
#include "win32/report.h"

namespace kv::ui {

LoopResult PumpMessages(const std::function<bool()>& running) {
    MSG msg;
    while (running()) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            return {LoopEnd::Quit, static_cast<int>(msg.wParam)};
        }
        if (got == -1) {
            win32::ReportWin32(L"GetMessage", ::GetLastError());
            return {LoopEnd::Failed, 0};
        }
        if (!Form::PreTranslate(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return {};
}

int RunMessageLoop() {
    const LoopResult result = PumpMessages([] { return Form::LoadedCount() > 0; });
    switch (result.end) {
    case LoopEnd::Quit:
        return result.exitCode;
    case LoopEnd::Failed:
        return 1;
    case LoopEnd::Stopped:
        break;
    }
    return 0;
}

} // namespace kv::ui
