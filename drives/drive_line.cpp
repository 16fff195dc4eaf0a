#include "drives/drive_line.h"

namespace kv::drives {

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
    const auto drives = source.ReadyDrives();
    if (!drives) {
        return drives.error();
    }
    return DriveLineCaption(*drives);
}

} // namespace kv::drives
