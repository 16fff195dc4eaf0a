#include "drives/drive_access_win.h"

#include "win32/unique_handle.h"

#include <windows.h>

#include <aclapi.h>

#include <array>

namespace kv::drives {
namespace {

using UniqueDescriptor =
    win32::UniqueHandle<win32::NullTraits<PSECURITY_DESCRIPTOR, win32::FreeLocal>>;

Answer Check(PSECURITY_DESCRIPTOR descriptor, HANDLE token, DWORD desired) {
    GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                            FILE_ALL_ACCESS};
    // Room for the privileges an access may use (none are asked for here).
    alignas(PRIVILEGE_SET) std::array<std::byte, 256> privileges{};
    DWORD privilegesSize = static_cast<DWORD>(privileges.size());
    DWORD granted = 0;
    BOOL allowed = FALSE;
    if (!::AccessCheck(descriptor, token, desired, &mapping,
                       reinterpret_cast<PPRIVILEGE_SET>(privileges.data()), &privilegesSize,
                       &granted, &allowed)) {
        return Answer::Unknown; // a descriptor without owner or group, a token of the wrong kind
    }
    return allowed ? Answer::Allowed : Answer::Denied;
}

// An identification-level copy of the process's token: AccessCheck wants an impersonation
// token, and the process's own rights are the user's.
win32::UniqueKernelHandle UserToken() {
    HANDLE process = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process)) {
        return {};
    }
    const win32::UniqueKernelHandle processToken(process);
    HANDLE copy = nullptr;
    if (!::DuplicateToken(processToken.get(), SecurityIdentification, &copy)) {
        return {};
    }
    return win32::UniqueKernelHandle(copy);
}

} // namespace

DriveAccess AccessUnder(const void* descriptor, void* token) {
    auto* sd = const_cast<PSECURITY_DESCRIPTOR>(descriptor);
    if (sd == nullptr || token == nullptr || !::IsValidSecurityDescriptor(sd)) {
        return {};
    }
    return {Check(sd, token, FILE_WRITE_DATA), Check(sd, token, FILE_READ_DATA)};
}

DriveAccess AskAccess(wchar_t letter) {
    const std::array<wchar_t, 7> path{L'\\', L'\\', L'.', L'\\', letter, L':', L'\0'};
    const win32::UniqueFile volume(::CreateFileW(path.data(), READ_CONTROL,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_EXISTING, 0, nullptr));
    if (!volume) {
        return {};
    }
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (::GetSecurityInfo(volume.get(), SE_FILE_OBJECT,
                          OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                              DACL_SECURITY_INFORMATION,
                          nullptr, nullptr, nullptr, nullptr, &raw) != ERROR_SUCCESS) {
        return {};
    }
    const UniqueDescriptor descriptor(raw);
    const win32::UniqueKernelHandle token = UserToken();
    return AccessUnder(descriptor.get(), token.get());
}

} // namespace kv::drives
