#pragma once
// Ctrl+C, Ctrl+Break and a closed console window while a command runs. Windows' default
// handling ends the process at once: with whatever exit code the system picks (0 under
// Wine, which a script reads as success) and, at the password prompt, with the console's
// echo still off for the shell. While one of these lives, a cancel before the change ends
// the process with exit code 1, the console's input mode as it was, and one line saying
// that nothing was changed; once the change has begun, the command runs to its end so that
// what it says is what was done.

#include <windows.h>

namespace kv::cli {

class ConsoleCancel {
public:
    // `in` is standard input (its console mode is put back on a cancel), `err` where the
    // line goes; either may be invalid.
    ConsoleCancel(HANDLE in, HANDLE err);
    ~ConsoleCancel();
    ConsoleCancel(const ConsoleCancel&) = delete;
    ConsoleCancel& operator=(const ConsoleCancel&) = delete;

    // The change is about to be written: from now on a cancel waits for the command to end.
    // False when the command was cancelled already (nothing may be changed then).
    bool BeginChange();
};

} // namespace kv::cli
