#include "tests/drives/wine_drive.h"

#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

namespace kv::test {
namespace {

// Wine's mount manager extension (its include/ddk/mountmgr.h, Wine 8): the request that
// defines or removes a drive letter. Strings follow the struct in the same buffer, at the
// given byte offsets, NUL-terminated, in the Unix file name encoding.
struct MountMgrUnixDrive {
    ULONG size; // bytes of the whole request, strings included
    ULONG type; // DRIVE_REMOVABLE, ...; DRIVE_NO_ROOT_DIR removes the drive
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDev;
    WCHAR letter;            // 'a'..'z' or 'A'..'Z'
    USHORT mountPointOffset; // the Unix folder; 0 for none
    USHORT deviceOffset;     // the Unix device; 0 for none
    USHORT labelOffset;      // used by the query only
};
static_assert(sizeof(MountMgrUnixDrive) == 32);
static_assert(offsetof(MountMgrUnixDrive, letter) == 24);

constexpr DWORD kMountMgrControlType = 'm';
constexpr DWORD kIoctlDefineUnixDrive =
    CTL_CODE(kMountMgrControlType, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (h_ != INVALID_HANDLE_VALUE) {
            CloseHandle(h_);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

std::uint32_t SendDefine(wchar_t letter, ULONG type, const std::string& unixFolder,
                         const std::string& unixDevice = {}) {
    if (!std::iswalpha(letter) || std::towupper(letter) < L'A' || std::towupper(letter) > L'Z') {
        return ERROR_INVALID_PARAMETER;
    }
    std::vector<std::byte> request(sizeof(MountMgrUnixDrive));
    MountMgrUnixDrive head{};
    head.type = type;
    head.letter = static_cast<WCHAR>(std::towlower(letter));
    // Appends a NUL-terminated string and sets its offset; false when the request is too big.
    const auto append = [&](const std::string& path, USHORT& offset) {
        if (path.empty()) {
            return true;
        }
        offset = static_cast<USHORT>(request.size());
        const auto* text = reinterpret_cast<const std::byte*>(path.c_str());
        request.insert(request.end(), text, text + path.size() + 1);
        return request.size() <= 0xFFFF;
    };
    if (!append(unixFolder, head.mountPointOffset) || !append(unixDevice, head.deviceOffset)) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    head.size = static_cast<ULONG>(request.size());
    std::memcpy(request.data(), &head, sizeof(head));

    Handle manager(CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                               nullptr));
    if (!manager) {
        return GetLastError();
    }
    DWORD returned = 0;
    if (!DeviceIoControl(manager.get(), kIoctlDefineUnixDrive, request.data(),
                         static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr)) {
        return GetLastError();
    }
    return ERROR_SUCCESS;
}

using WineGetVersion = const char*(__cdecl*)();
using WineGetUnixFileName = char*(__cdecl*)(const wchar_t*);

} // namespace

std::uint32_t DefineRemovableDrive(wchar_t letter, const std::string& unixFolder,
                                   const std::string& unixDevice) {
    if (unixFolder.empty()) {
        return ERROR_INVALID_PARAMETER;
    }
    return SendDefine(letter, DRIVE_REMOVABLE, unixFolder, unixDevice);
}

std::uint32_t RemoveDrive(wchar_t letter) {
    return SendDefine(letter, DRIVE_NO_ROOT_DIR, std::string());
}

std::optional<std::string> UnixPathOf(const std::wstring& windowsPath) {
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    if (kernel32 == nullptr) {
        return std::nullopt;
    }
    const auto toUnix = reinterpret_cast<WineGetUnixFileName>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel32, "wine_get_unix_file_name")));
    if (toUnix == nullptr) {
        return std::nullopt;
    }
    char* unix = toUnix(windowsPath.c_str());
    if (unix == nullptr) {
        return std::nullopt;
    }
    std::string path(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return path;
}

namespace {

std::uint32_t WriteWholeFile(const std::wstring& path, const void* bytes, DWORD size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes, size, &written, nullptr);
    const DWORD error = ok ? 0 : GetLastError();
    CloseHandle(file);
    return error;
}

constexpr wchar_t kImageName[] = L"\\readonly.iso";

// The least ISO 9660 image Wine takes for a CD file system: 16 empty sectors, a primary
// volume descriptor with the volume id, and the set terminator.
std::vector<char> IsoImage(const std::wstring& label) {
    constexpr std::size_t kSector = 2048;
    std::vector<char> image(20 * kSector, '\0');
    const char primary[] = "\x01"
                           "CD001"
                           "\x01";
    const char terminator[] = "\xFF"
                              "CD001"
                              "\x01";
    std::memcpy(&image[16 * kSector], primary, 7);
    std::memcpy(&image[17 * kSector], terminator, 7);
    char* volumeId = &image[16 * kSector + 40];
    std::memset(volumeId, ' ', 32);
    for (std::size_t i = 0; i < label.size() && i < 32; ++i) {
        volumeId[i] = static_cast<char>(label[i]);
    }
    return image;
}

std::uint32_t Plug(wchar_t letter, const std::wstring& label, bool readOnly, std::wstring& folder) {
    wchar_t temp[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, temp) == 0) {
        return GetLastError();
    }
    folder =
        std::wstring(temp) + L"kv-drive-" + std::to_wstring(GetCurrentProcessId()) + L"-" + letter;
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return GetLastError();
    }
    // Wine reads the label from this file when the drive is defined.
    const std::wstring labelFile = folder + L"\\.windows-label";
    DeleteFileW(labelFile.c_str());
    if (!label.empty()) {
        // Wine reads the file in the Unix code page: UTF-8 here.
        const int size = WideCharToMultiByte(
            CP_UTF8, 0, label.data(), static_cast<int>(label.size()), nullptr, 0, nullptr, nullptr);
        std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
        WideCharToMultiByte(CP_UTF8, 0, label.data(), static_cast<int>(label.size()), bytes.data(),
                            size, nullptr, nullptr);
        if (const auto error =
                WriteWholeFile(labelFile, bytes.data(), static_cast<DWORD>(bytes.size()))) {
            return error;
        }
    }
    const std::wstring imageFile = folder + kImageName;
    DeleteFileW(imageFile.c_str());
    std::optional<std::string> unixImage;
    if (readOnly) {
        const std::vector<char> image = IsoImage(label);
        if (const auto error =
                WriteWholeFile(imageFile, image.data(), static_cast<DWORD>(image.size()))) {
            return error;
        }
        unixImage = UnixPathOf(imageFile);
        if (!unixImage) {
            return ERROR_PATH_NOT_FOUND;
        }
    }
    const std::optional<std::string> unixFolder = UnixPathOf(folder);
    if (!unixFolder) {
        return ERROR_PATH_NOT_FOUND;
    }
    return DefineRemovableDrive(letter, *unixFolder, unixImage.value_or(std::string()));
}

} // namespace

std::uint32_t PlugFolder(wchar_t letter, const std::wstring& label, std::wstring& folder) {
    return Plug(letter, label, false, folder);
}

std::uint32_t PlugReadOnlyFolder(wchar_t letter, const std::wstring& label, std::wstring& folder) {
    if (const auto error = Plug(letter, label, true, folder)) {
        return error;
    }
    // The mount manager reads the image a moment after the drive is defined; until then
    // the volume looks writable.
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    for (int wait = 0; wait < 200; ++wait) {
        DWORD flags = 0;
        if (GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
            (flags & FILE_READ_ONLY_VOLUME)) {
            return ERROR_SUCCESS;
        }
        Sleep(10);
    }
    return ERROR_TIMEOUT;
}

void UnplugFolder(wchar_t letter, const std::wstring& folder) {
    RemoveDrive(letter);
    if (!folder.empty()) {
        DeleteFileW((folder + L"\\.windows-label").c_str());
        DeleteFileW((folder + kImageName).c_str());
        RemoveDirectoryW(folder.c_str());
    }
}

} // namespace kv::test
