#pragma once
// The one message loop: the program's, and every modal form's nested one. Dialog keys
// (Enter, Esc, Tab, access keys) get their meaning in it.

#include <functional>

namespace kv::ui {

enum class LoopEnd { Stopped, Quit, Failed };

struct LoopResult {
    LoopEnd end = LoopEnd::Stopped;
    int exitCode = 0; // the quit message's code
};

// Dispatches this thread's messages while running() holds. Stops early at a quit message
// or when GetMessage fails (reported).
LoopResult PumpMessages(const std::function<bool()>& running);

// The program's loop: runs until the last form is unloaded; returns the exit code.
int RunMessageLoop();

} // namespace kv::ui
