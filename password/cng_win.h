#pragma once
// The four functions of Windows CNG that the password needs, from bcrypt.dll loaded at
// first use out of the system folder only. bcrypt.dll is not a KnownDLL: imported
// statically, it would be looked for beside the exe first, where anyone could plant one.

#include "win32/unique_handle.h"

#include <windows.h>
#include <bcrypt.h>

namespace kv::password {

struct CngFunctions {
    decltype(&::BCryptOpenAlgorithmProvider) openAlgorithm = nullptr;
    decltype(&::BCryptCloseAlgorithmProvider) closeAlgorithm = nullptr;
    decltype(&::BCryptDeriveKeyPBKDF2) derivePbkdf2 = nullptr;
    decltype(&::BCryptGenRandom) genRandom = nullptr;
};

// One load of the library; the module stays loaded while this lives.
class CngLibrary {
public:
    // Loads `dll` from the system folder, never from the program's folder or the path.
    explicit CngLibrary(const wchar_t* dll = L"bcrypt.dll");

    // False when the DLL did not load or lacks one of the functions.
    bool ok() const noexcept { return ok_; }
    const CngFunctions& functions() const noexcept { return functions_; }
    HMODULE module() const noexcept { return module_.get(); }

private:
    static void Free(HMODULE module) noexcept { ::FreeLibrary(module); }
    win32::UniqueHandle<win32::NullTraits<HMODULE, Free>> module_;
    CngFunctions functions_;
    bool ok_ = false;
};

// The process's library, loaded at the first call (thread-safe); null when that failed,
// so callers report a failure instead of calling through a null pointer.
const CngFunctions* Cng();

// An algorithm provider opened through Cng(), closed through it too.
void CloseAlgorithm(BCRYPT_ALG_HANDLE algorithm) noexcept;
using UniqueAlgorithm = win32::UniqueHandle<win32::NullTraits<BCRYPT_ALG_HANDLE, CloseAlgorithm>>;

} // namespace kv::password
