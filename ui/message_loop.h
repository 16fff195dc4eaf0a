#pragma once
// The one message loop: the program's, and every modal form's nested one. Dialog keys
// (Enter, Esc, Tab, access keys) get their meaning in it, and the events forms watch are
// waited on in it, beside the messages.

#include <functional>

namespace kv::ui {

enum class LoopEnd { Stopped, Quit, Failed };

struct LoopResult {
    LoopEnd end = LoopEnd::Stopped;
    int exitCode = 0; // the quit message's code
};

// Dispatches this thread's messages while running() holds, and runs the handlers of the
// forms' watched events as they are signalled. Stops early at a quit message or when the
// wait fails (reported).
LoopResult PumpMessages(const std::function<bool()>& running);

// Waits until a message arrives, a form's watched event is signalled (its handler runs) or
// the time passes. False when the wait failed (reported).
bool WaitForInput(unsigned long timeoutMs);

// The program's loop: runs until the last form is unloaded; returns the exit code.
int RunMessageLoop();

} // namespace kv::ui
