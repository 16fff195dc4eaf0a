#include "win32/report.h"

#include "win32/system_message.h"
#include "win32/text.h"

#include <exception>
#include <string>

namespace kv::win32 {

void Report(std::wstring_view what) {
    std::wstring line = L"Kelvane: ";
    line.append(what);
    line += L'\n';
    ::OutputDebugStringW(line.c_str());
}

void ReportWin32(std::wstring_view api, DWORD code) {
    std::wstring line(api);
    line += L" failed (" + std::to_wstring(code) + L")";
    if (const std::wstring text = SystemMessage(code); !text.empty()) {
        line += L": ";
        line += text;
    }
    Report(line);
}

void ReportHresult(std::wstring_view what, HRESULT hr) {
    ReportWin32(what, static_cast<DWORD>(hr));
}

std::wstring ExceptionMessage(const std::exception& e) {
    return Widened(e.what());
}

void ReportException(const wchar_t* where) noexcept {
    // Reporting must not throw in its turn (no memory for the text): then it stays silent.
    try {
        try {
            throw;
        } catch (const std::exception& e) {
            std::wstring text(where);
            text += L": ";
            text += ExceptionMessage(e);
            Report(text);
        } catch (...) {
            Report(std::wstring(where) + L": unknown error");
        }
    } catch (...) {
    }
}

} // namespace kv::win32
