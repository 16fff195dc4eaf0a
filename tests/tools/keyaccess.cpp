// keyaccess: reads or sets a registry key's access list, for scripts that test how Kelvane
// meets a key Windows refuses to change.
//   keyaccess get HKLM\SUBKEY          prints the key's DACL as SDDL
//   keyaccess set HKLM\SUBKEY SDDL     sets it (e.g. D:P(A;;KR;;;WD) for read only)
// HKLM and HKCU only. Exit code 0 when done, 1 on failure, 2 on a usage error.

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

bool OpenKey(const std::wstring& path, REGSAM access, HKEY* key) {
    const std::size_t slash = path.find(L'\\');
    const std::wstring root = path.substr(0, slash);
    HKEY hive = root == L"HKLM"   ? HKEY_LOCAL_MACHINE
                : root == L"HKCU" ? HKEY_CURRENT_USER
                                  : nullptr;
    if (!hive || slash == std::wstring::npos) {
        return false;
    }
    return ::RegOpenKeyExW(hive, path.substr(slash + 1).c_str(), 0, access, key) == ERROR_SUCCESS;
}

int Get(HKEY key) {
    DWORD size = 0;
    ::RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || ::RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer.data(), &size) !=
                         ERROR_SUCCESS) {
        return 1;
    }
    LPWSTR sddl = nullptr;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(
            buffer.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &sddl, nullptr)) {
        return 1;
    }
    std::fputws(sddl, stdout);
    std::fputws(L"\n", stdout);
    ::LocalFree(sddl);
    return 0;
}

int Set(HKEY key, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd,
                                                                nullptr)) {
        return 1;
    }
    const LONG set = ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
    ::LocalFree(sd);
    return set == ERROR_SUCCESS ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring verb = argc > 2 ? argv[1] : L"";
    if (!((verb == L"get" && argc == 3) || (verb == L"set" && argc == 4))) {
        std::fputs("usage: keyaccess get KEY | keyaccess set KEY SDDL\n", stderr);
        return 2;
    }
    HKEY key = nullptr;
    if (!OpenKey(argv[2], READ_CONTROL | (verb == L"set" ? WRITE_DAC : 0), &key)) {
        std::fputs("keyaccess: the key cannot be opened\n", stderr);
        return 1;
    }
    const int result = verb == L"get" ? Get(key) : Set(key, argv[3]);
    ::RegCloseKey(key);
    return result;
}
