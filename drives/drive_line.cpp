#include "drives/drive_line.h"

#include "drives/drive_name.h"

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
        list += DriveName(drive);
    }
    return std::to_wstring(drives.size()) + L" device(s) detected: " + list;
}

} // namespace kv::drives
