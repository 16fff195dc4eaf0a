#pragma once
// Functions of system libraries that most runs never call, loaded from the system folder
// on first use instead of at every start.

#include <windows.h>

namespace kv::win32 {

// `name` in `library`, the library kept loaded for the rest of the run; nullptr when
// either cannot be found.
template <typename Function> Function SystemFunction(const wchar_t* library, const char* name) {
    HMODULE module = ::GetModuleHandleW(library);
    if (!module) {
        module = ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    return module ? reinterpret_cast<Function>(
                        reinterpret_cast<void (*)()>(::GetProcAddress(module, name)))
                  : nullptr;
}

} // namespace kv::win32
