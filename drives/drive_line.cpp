#include "drives/drive_line.h"

namespace kv::drives {

DriveResult<std::vector<ListedDrive>> ListReadyRemovableDrives(DriveSource& source) {
    std::vector<ListedDrive> listed;

    const auto drives = source.Collect();
    if (!drives) {
        return drives.error();
    }
    for (std::size_t drive = 0; drive < *drives; ++drive) {
        const auto ready = source.IsReady(drive);
        if (!ready) {
            return ready.error();
        }
        if (!*ready) {
            continue;
        }
        const auto type = source.Type(drive);
        if (!type) {
            return type.error();
        }
        if (*type != DriveType::Removable) {
            continue;
        }
        const auto volume = source.VolumeName(drive);
        if (!volume) {
            return volume.error();
        }
        const auto letter = source.Letter(drive);
        if (!letter) {
            return letter.error();
        }
        listed.push_back({*letter, *volume});
    }
    return listed;
}

std::wstring DriveLineCaption(const std::vector<ListedDrive>& drives) {
    // An entry is never empty (it always carries " (", the letter and ":)"), so "no entry"
    // and "empty list text" are the same test.
    if (drives.empty()) {
        return kNoDeviceCaption;
    }
    std::wstring list;
    for (const ListedDrive& drive : drives) {
        if (!list.empty()) {
            list += L", ";
        }
        list += drive.label + L" (" + drive.letter + L":)";
    }
    return std::to_wstring(drives.size()) + L" device(s) detected: " + list;
}

DriveResult<std::wstring> BuildDriveLine(DriveSource& source) {
    const auto drives = ListReadyRemovableDrives(source);
    if (!drives) {
        return drives.error();
    }
    return DriveLineCaption(*drives);
}

} // namespace kv::drives
