#include "win32/report.h"

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
    wchar_t* text = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                         FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring line(api);
    line += L" failed (" + std::to_wstring(code) + L")";
    if (text) {
        line += L": ";
        line += text;
        ::LocalFree(text);
        while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) {
            line.pop_back();
        }
    }
    Report(line);
}

void ReportHresult(std::wstring_view what, HRESULT hr) {
    ReportWin32(what, static_cast<DWORD>(hr));
}

void ReportException(const wchar_t* where) noexcept {
    // Reporting must not throw in its turn (no memory for the text): then it stays silent.
    try {
        try {
            throw;
        } catch (const std::exception& e) {
            std::wstring text(where);
            text += L": ";
            for (const char* c = e.what(); *c; ++c) {
                text += static_cast<wchar_t>(static_cast<unsigned char>(*c));
            }
            Report(text);
        } catch (...) {
            Report(std::wstring(where) + L": unknown error");
        }
    } catch (...) {
    }
}

} // namespace kv::win32
