#pragma once
// Drive letters on demand under Wine (Windows side, for tests, tools and the benchmark).
//
// A drive added through dosdevices and HKLM\Software\Wine\Drives is only seen when the
// wineserver starts. Wine's mount manager defines and removes drives while programs run,
// as its drive settings dialog does: IOCTL_MOUNTMGR_DEFINE_UNIX_DRIVE on
// \\.\MountPointManager maps a letter to a Unix folder. Wine reads the volume label from a
// ".windows-label" file in that folder; write it before defining the drive.

#include "tests/support/wine.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kv::test {

// The helpers below fail outside Wine (RunningUnderWine).

// Maps `letter` (A..Z) to `unixFolder` (a path in the Unix file name encoding) as a
// removable drive, replacing whatever the letter was; `unixDevice`, when given, is the
// device Wine reads the volume's superblock from. Returns 0 or a Win32 error code.
std::uint32_t DefineRemovableDrive(wchar_t letter, const std::string& unixFolder,
                                   const std::string& unixDevice = {});

// Removes the drive at `letter`. Returns 0 or a Win32 error code.
std::uint32_t RemoveDrive(wchar_t letter);

// The Unix path of a Windows path, as Wine maps it; nothing outside Wine or on failure.
std::optional<std::string> UnixPathOf(const std::wstring& windowsPath);

// A fresh folder in %TEMP% named after the process, the time and the letter, with a label file unless
// `label` is empty (written in UTF-8), mapped as a removable drive at `letter`. Returns 0 or a
// Win32 error code; `folder` names the folder for UnplugFolder either way.
std::uint32_t PlugFolder(wchar_t letter, const std::wstring& label, std::wstring& folder);
// As PlugFolder, but the drive is read-only for real: a tiny ISO 9660 image in the folder,
// named as its device, makes Wine report file system "CDFS" and FILE_READ_ONLY_VOLUME.
// Plugging the folder again without it (PlugFolder) makes it writable again, as a drive
// that is reattached.
std::uint32_t PlugReadOnlyFolder(wchar_t letter, const std::wstring& label, std::wstring& folder);

// Removes the drive at `letter` and deletes the folder PlugFolder made for it.
void UnplugFolder(wchar_t letter, const std::wstring& folder);

} // namespace kv::test
