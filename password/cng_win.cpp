#include "password/cng_win.h"

namespace kv::password {
namespace {

// GetProcAddress's generic pointer, cast through the one type GCC accepts for it.
template <typename Function> bool Resolve(HMODULE module, const char* name, Function& out) {
    const FARPROC proc = ::GetProcAddress(module, name);
    out = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
    return out != nullptr;
}

} // namespace

CngLibrary::CngLibrary(const wchar_t* dll)
    : module_(::LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    if (!module_) {
        return;
    }
    CngFunctions& f = functions_;
    ok_ = Resolve(module_.get(), "BCryptOpenAlgorithmProvider", f.openAlgorithm) &&
          Resolve(module_.get(), "BCryptCloseAlgorithmProvider", f.closeAlgorithm) &&
          Resolve(module_.get(), "BCryptDeriveKeyPBKDF2", f.derivePbkdf2) &&
          Resolve(module_.get(), "BCryptGenRandom", f.genRandom);
}

const CngFunctions* Cng() {
    static const CngLibrary library;
    return library.ok() ? &library.functions() : nullptr;
}

void CloseAlgorithm(BCRYPT_ALG_HANDLE algorithm) noexcept {
    // Only Cng()'s open makes one, so Cng() is loaded whenever there is one to close.
    if (const CngFunctions* cng = Cng()) {
        cng->closeAlgorithm(algorithm, 0);
    }
}

} // namespace kv::password
