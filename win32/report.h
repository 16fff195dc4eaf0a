#pragma once
// Failures that no user is told about go to the debugger's output, and the program goes
// on. Window procedures, timers and start-up steps use Guard so that no exception ever
// crosses back into Windows.

#include <windows.h>

#include <exception>
#include <string>
#include <string_view>

namespace kv::win32 {

void Report(std::wstring_view what);
void ReportWin32(std::wstring_view api, DWORD code);
void ReportHresult(std::wstring_view what, HRESULT hr);

// Runs fn; any exception is reported with `where` and swallowed. Returns whether fn
// finished without one.
template <typename Fn> bool Guard(const wchar_t* where, Fn&& fn) noexcept;

void ReportException(const wchar_t* where) noexcept; // inside a catch block

// An exception's what(), widened: the program's own failure texts are ASCII.
std::wstring ExceptionMessage(const std::exception& e);

template <typename Fn> bool Guard(const wchar_t* where, Fn&& fn) noexcept {
    try {
        fn();
        return true;
    } catch (...) {
        ReportException(where);
        return false;
    }
}

} // namespace kv::win32
