#include "win32/event_log_win.h"

#include "win32/unique_handle.h"

#include <memory>

namespace kv::win32 {
namespace {

void Deregister(HANDLE source) noexcept {
    ::DeregisterEventSource(source);
}
using UniqueEventSource = UniqueHandle<NullTraits<HANDLE, Deregister>>;

// The process token's user, so the record names who made the change even when the
// token is elevated; empty when it cannot be read (the record is written without it).
std::unique_ptr<BYTE[]> TokenUser() {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        return nullptr;
    }
    const UniqueKernelHandle token(raw);
    DWORD size = 0;
    ::GetTokenInformation(token.get(), ::TokenUser, nullptr, 0, &size);
    if (size == 0) {
        return nullptr;
    }
    auto buffer = std::make_unique<BYTE[]>(size);
    if (!::GetTokenInformation(token.get(), ::TokenUser, buffer.get(), size, &size)) {
        return nullptr;
    }
    return buffer;
}

} // namespace

DWORD ReportToApplicationLog(const wchar_t* source, const EventRecord& record) {
    const UniqueEventSource log(::RegisterEventSourceW(nullptr, source));
    if (!log) {
        return ::GetLastError();
    }
    std::vector<LPCWSTR> strings;
    strings.reserve(record.strings.size());
    for (const std::wstring& text : record.strings) {
        strings.push_back(text.c_str());
    }
    const std::unique_ptr<BYTE[]> user = TokenUser();
    PSID sid = user ? reinterpret_cast<TOKEN_USER*>(user.get())->User.Sid : nullptr;
    if (!::ReportEventW(log.get(), record.type, record.category, record.id, sid,
                        static_cast<WORD>(strings.size()), 0,
                        strings.empty() ? nullptr : strings.data(), nullptr)) {
        return ::GetLastError();
    }
    return ERROR_SUCCESS;
}

} // namespace kv::win32
