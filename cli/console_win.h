#pragma once
// The command line's streams on Windows. kelvane.com has its console's handles.
// kelvane.exe is a GUI-subsystem program, so it starts without a console: where a standard
// handle is not valid, it attaches to its parent's console (cmd.exe, PowerShell) and
// writes there. Redirected handles (a file, a pipe) are used as they are.

#include "cli/cancel_win.h"
#include "cli/console.h"
#include "win32/unique_handle.h"

#include <windows.h>

#include <optional>

namespace kv::cli {

class StdConsole final : public Console {
public:
    StdConsole();
    StdConsole(const StdConsole&) = delete;
    StdConsole& operator=(const StdConsole&) = delete;

    bool Out(std::string_view utf8) override;
    bool Err(std::string_view utf8) override;
    bool CanAskPassword() override;
    PasswordLine ReadPasswordLine(password::SecretText& password) override;
    bool BeginChange() override;

private:
    void AttachParentConsole();

    HANDLE out_ = nullptr;
    HANDLE err_ = nullptr;
    HANDLE in_ = nullptr;
    win32::UniqueFile consoleOut_;        // CONOUT$ when the parent's console was attached
    std::optional<ConsoleCancel> cancel_; // once the handles are known
};

} // namespace kv::cli
