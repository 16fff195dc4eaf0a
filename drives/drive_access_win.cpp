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

// Opens the root of `letter` for adding a file or for listing it, and nothing else: a
// directory open (backup semantics, without the backup privilege enabled, so the access
// lists apply) that creates, changes and reads nothing. 0 when granted.
std::uint32_t RootOpenError(wchar_t letter, bool write) {
    const std::array<wchar_t, 4> root{letter, L':', L'\\', L'\0'};
    const win32::UniqueFile folder(
        ::CreateFileW(root.data(), write ? FILE_ADD_FILE : FILE_LIST_DIRECTORY,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return folder ? 0 : ::GetLastError();
}

} // namespace

Answer ConfirmedByOpen(Answer fromList, std::uint32_t openError) {
    if (fromList != Answer::Denied) {
        return fromList;
    }
    switch (openError) {
    case ERROR_SUCCESS:
        return Answer::Allowed;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return Answer::Denied;
    default:
        return Answer::Unknown;
    }
}

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
    DriveAccess access = AccessUnder(descriptor.get(), token.get());
    if (access.write == Answer::Denied) {
        access.write = ConfirmedByOpen(access.write, RootOpenError(letter, true));
    }
    if (access.read == Answer::Denied) {
        access.read = ConfirmedByOpen(access.read, RootOpenError(letter, false));
    }
    return access;
}

} // namespace kv::drives
