#include "drives/drive_name.h"

namespace kv::drives {
namespace {

bool BreaksLines(wchar_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

bool ReordersText(wchar_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

std::wstring OneLine(std::wstring_view text) {
    std::wstring shown;
    shown.reserve(text.size());
    for (const wchar_t c : text) {
        if (ReordersText(c)) {
            continue;
        }
        shown += BreaksLines(c) ? L' ' : c;
    }
    return shown;
}

std::wstring DriveName(const ListedDrive& drive) {
    return OneLine(drive.label) + L" (" + OneLine(drive.letter) + L":)";
}

} // namespace kv::drives
