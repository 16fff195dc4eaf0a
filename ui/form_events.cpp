// Events a form waits for beside its messages: the loops of the windowing layer wait on
// the events of every loaded form of their thread and run the owner's handler when one is
// signalled.

#include "ui/form.h"

#include "win32/report.h"

#include <algorithm>
#include <utility>

namespace kv::ui {
namespace {

// Every loaded form of this thread, through its top-level window.
template <class Visit> void ForEachForm(Visit&& visit) {
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            if (Form* form = Form::FromHwnd(hwnd); form && form->hwnd() == hwnd) {
                return (*reinterpret_cast<Visit*>(param))(*form) ? TRUE : FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&visit));
}

} // namespace

void Form::WatchEvent(HANDLE event, std::function<void()> handler) {
    if (event == nullptr) {
        return;
    }
    UnwatchEvent(event);
    events_.push_back({event, std::move(handler)});
}

void Form::UnwatchEvent(HANDLE event) {
    std::erase_if(events_, [event](const WatchedEvent& e) { return e.event == event; });
}

std::vector<HANDLE> Form::WatchedEvents() {
    std::vector<HANDLE> events;
    ForEachForm([&](const Form& form) {
        for (const WatchedEvent& e : form.events_) {
            // One slot of the wait is the message queue's.
            if (events.size() + 1 < MAXIMUM_WAIT_OBJECTS) {
                events.push_back(e.event);
            }
        }
        return true;
    });
    return events;
}

void Form::RunEventHandler(HANDLE event) {
    std::function<void()> handler;
    ForEachForm([&](const Form& form) {
        const auto found = std::ranges::find(form.events_, event, &WatchedEvent::event);
        if (found == form.events_.end()) {
            return true;
        }
        handler = found->handler; // a copy: the handler may unwatch or unload its form
        return false;
    });
    if (handler) {
        win32::Guard(L"event handler", handler);
    }
}

} // namespace kv::ui
