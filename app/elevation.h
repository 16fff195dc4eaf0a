#pragma once
// Administrator rights: whether this process has them, and starting Kelvane again with them.
// The main window asks through this interface so that tests can stand in for Windows
// (Wine's token is always elevated, and a test must not start a second program).

#include <windows.h>

#include <memory>

namespace kv::app {

class Elevation {
public:
    virtual ~Elevation() = default;
    // Whether the process runs with administrator rights (TokenElevation).
    virtual bool IsElevated() = 0;
    // Starts this program again as administrator, in the same working folder: ERROR_SUCCESS
    // once it has started, ERROR_CANCELLED when the user declined, else the failure's code.
    virtual DWORD RestartAsAdministrator(HWND owner) = 0;
};

std::unique_ptr<Elevation> MakeWindowsElevation();

} // namespace kv::app
