#include "ui/message_loop.h"

#include "ui/form.h"
#include "win32/report.h"

namespace kv::ui {

bool WaitForInput(unsigned long timeoutMs) {
    const std::vector<HANDLE> events = Form::WatchedEvents();
    const auto count = static_cast<DWORD>(events.size());
    // MWMO_INPUTAVAILABLE: input already in the queue but looked at ends the wait too.
    const DWORD woke = ::MsgWaitForMultipleObjectsEx(count, events.data(), timeoutMs, QS_ALLINPUT,
                                                     MWMO_INPUTAVAILABLE);
    if (woke == WAIT_FAILED) {
        win32::ReportWin32(L"MsgWaitForMultipleObjectsEx", ::GetLastError());
        return false;
    }
    if (woke - WAIT_OBJECT_0 < count) {
        Form::RunEventHandler(events[woke - WAIT_OBJECT_0]);
    }
    return true;
}

LoopResult PumpMessages(const std::function<bool()>& running) {
    MSG msg;
    while (running()) {
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!WaitForInput(INFINITE)) {
                return {LoopEnd::Failed, 0};
            }
            continue;
        }
        if (msg.message == WM_QUIT) {
            return {LoopEnd::Quit, static_cast<int>(msg.wParam)};
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
