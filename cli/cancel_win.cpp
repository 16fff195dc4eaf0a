#include "cli/cancel_win.h"

#include "cli/command.h"

#include <chrono>
#include <condition_variable>
#include <iterator>
#include <mutex>

namespace kv::cli {
namespace {

// A console control handler takes no context, so what it needs lives here, for the whole
// process: a handler may still run on its own thread while the command's objects go away.
struct CancelState {
    std::mutex mutex;
    std::condition_variable ended;
    enum class Phase { Idle, Cancellable, Changing, Cancelled, Ended } phase = Phase::Idle;
    HANDLE in = nullptr;
    DWORD inMode = 0;
    bool restoreMode = false;
    HANDLE err = nullptr;
};

CancelState& State() {
    static CancelState state;
    return state;
}

// The same line as every other failure: to a console as UTF-16, else as UTF-8 (here
// ASCII), with CR LF.
constexpr wchar_t kCancelledWide[] = L"\r\nkelvane: cancelled; nothing was changed.\r\n";
constexpr char kCancelled[] = "\r\nkelvane: cancelled; nothing was changed.\r\n";

void SayCancelled(HANDLE err) {
    if (err == nullptr || err == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(err, &mode)) {
        ::WriteConsoleW(err, kCancelledWide, static_cast<DWORD>(std::size(kCancelledWide) - 1),
                        &written, nullptr);
    } else {
        ::WriteFile(err, kCancelled, static_cast<DWORD>(std::size(kCancelled) - 1), &written,
                    nullptr);
    }
}

BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    CancelState& state = State();
    std::unique_lock lock(state.mutex);
    switch (state.phase) {
    case CancelState::Phase::Idle:
        return FALSE;
    case CancelState::Phase::Changing:
        // The command runs to its end and says what it did. A closing console ends the
        // process once this returns, so that waits (Windows allows about five seconds).
        if (event == CTRL_CLOSE_EVENT) {
            state.ended.wait_for(lock, std::chrono::seconds(4),
                                 [&] { return state.phase == CancelState::Phase::Ended; });
        }
        return TRUE;
    case CancelState::Phase::Cancelled:
    case CancelState::Phase::Ended:
        return TRUE;
    case CancelState::Phase::Cancellable:
        break;
    }
    state.phase = CancelState::Phase::Cancelled;
    if (state.restoreMode) {
        ::SetConsoleMode(state.in, state.inMode);
    }
    SayCancelled(state.err);
    // The lock stays held: the command's thread cannot begin a change before the end.
    ::ExitProcess(kFailed);
}

} // namespace

ConsoleCancel::ConsoleCancel(HANDLE in, HANDLE err) {
    CancelState& state = State();
    {
        const std::lock_guard lock(state.mutex);
        state.in = in;
        state.restoreMode = in != nullptr && in != INVALID_HANDLE_VALUE &&
                            ::GetConsoleMode(in, &state.inMode) != FALSE;
        state.err = err;
        state.phase = CancelState::Phase::Cancellable;
    }
    ::SetConsoleCtrlHandler(OnControl, TRUE);
}

ConsoleCancel::~ConsoleCancel() {
    CancelState& state = State();
    {
        const std::lock_guard lock(state.mutex);
        // The command has ended: its exit code stands.
        state.phase = CancelState::Phase::Ended;
    }
    state.ended.notify_all();
}

bool ConsoleCancel::BeginChange() {
    CancelState& state = State();
    const std::lock_guard lock(state.mutex);
    if (state.phase == CancelState::Phase::Cancelled) {
        return false;
    }
    state.phase = CancelState::Phase::Changing;
    return true;
}

} // namespace kv::cli
