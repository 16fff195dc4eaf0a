#pragma once
// Whether this test program runs under Wine: only Wine's ntdll exports wine_get_version.

#include <windows.h>

namespace kv::test {

inline bool RunningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace kv::test
