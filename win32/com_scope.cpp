#include "win32/system_library.h"
#include "win32/unique_handle.h"

namespace kv::win32 {

ComScope::ComScope() noexcept {
    using Init = HRESULT(WINAPI*)(void*, DWORD);
    if (const auto init = SystemFunction<Init>(L"ole32.dll", "CoInitializeEx")) {
        result_ = init(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    }
}

ComScope::~ComScope() {
    using Uninit = void(WINAPI*)();
    if (SUCCEEDED(result_)) {
        if (const auto uninit = SystemFunction<Uninit>(L"ole32.dll", "CoUninitialize")) {
            uninit();
        }
    }
}

} // namespace kv::win32
