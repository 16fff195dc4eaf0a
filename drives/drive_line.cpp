#include "drives/drive_line.h"

namespace kv::drives {

DriveResult<std::wstring> BuildDriveLine(DriveSource& source) {
    std::wstring list;
    std::size_t count = 0;

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
        // The separator depends on the text so far, not on the count: an entry is never
        // empty, since it always carries " (", the letter and ":)".
        if (!list.empty()) {
            list += L", ";
        }
        list += *volume + L" (" + *letter + L":)";
        ++count;
    }

    if (list.empty()) {
        return std::wstring(kNoDeviceCaption);
    }
    return std::to_wstring(count) + L" device(s) detected: " + list;
}

} // namespace kv::drives
