#include "drives/holds.h"

#include "drives/attachment.h"

#include "win32/text.h"

#include <algorithm>

namespace kv::drives {
namespace {

// The driver in plain words, for the sentence "<words> it uses is not covered".
std::wstring DriverWords(const std::optional<std::wstring>& driver) {
    if (!driver) {
        return L"the driver";
    }
    const auto is = [&](std::wstring_view name) {
        return win32::SameIgnoringCase(*driver, name);
    };
    if (is(L"UASPStor")) {
        return L"the USB Attached SCSI driver";
    }
    if (is(L"sdstor") || is(L"sdbus")) {
        return L"the SD card driver";
    }
    if (is(L"stornvme")) {
        return L"the NVMe driver";
    }
    return L"the " + *driver + L" driver";
}

std::wstring Named(const ListedDrive& drive) {
    return drive.label + L" (" + drive.letter + L":)";
}

} // namespace

std::optional<WhyNot> WhyNotHeld(Protection protection, const ListedDrive& drive) {
    if (protection == Protection::WriteProtect && drive.readOnly) {
        return std::nullopt;
    }
    switch (CoverageOf(drive.bus, drive.driver)) {
    case Coverage::Covered:
        return WhyNot::AttachedBefore;
    case Coverage::NotCovered:
        return WhyNot::NotCovered;
    case Coverage::Unknown:
        break;
    }
    return WhyNot::Unknown;
}

std::vector<Shortfall> Shortfalls(const std::vector<ListedDrive>& drives, ProtectionsOn on) {
    std::vector<const ListedDrive*> byLetter;
    for (const ListedDrive& drive : drives) {
        byLetter.push_back(&drive);
    }
    std::ranges::stable_sort(byLetter, {}, [](const ListedDrive* d) { return d->letter; });

    std::vector<Shortfall> found;
    for (const ListedDrive* drive : byLetter) {
        for (const Protection p : {Protection::WriteProtect, Protection::Lock}) {
            const bool isOn = p == Protection::WriteProtect ? on.writeProtect : on.lock;
            if (!isOn) {
                continue;
            }
            if (const auto why = WhyNotHeld(p, *drive)) {
                found.push_back({p, *why, *drive});
            }
        }
    }
    return found;
}

std::wstring ShortfallText(const Shortfall& s) {
    const std::wstring drive = Named(s.drive);
    if (s.protection == Protection::WriteProtect) {
        switch (s.why) {
        case WhyNot::AttachedBefore:
            return L"Write protection does not hold for " + drive +
                   L": it was attached before the change. Remove and re-attach it.";
        case WhyNot::NotCovered:
            return L"Write protection does not hold for " + drive + L": " +
                   DriverWords(s.drive.driver) + L" it uses is not covered.";
        case WhyNot::Unknown:
            break;
        }
        return L"Write protection may not hold for " + drive +
               L": it is writable and Windows did not say how it is attached.";
    }
    switch (s.why) {
    case WhyNot::AttachedBefore:
        return L"The lock does not hold for " + drive + L": it stays usable until it is removed.";
    case WhyNot::NotCovered:
        return L"The lock does not hold for " + drive + L": " + DriverWords(s.drive.driver) +
               L" it uses is not covered.";
    case WhyNot::Unknown:
        break;
    }
    return L"The lock may not hold for " + drive +
           L": it is usable and Windows did not say how it is attached.";
}

std::wstring ShortfallNotice(const std::vector<Shortfall>& shortfalls) {
    if (shortfalls.empty()) {
        return {};
    }
    std::wstring notice = ShortfallText(shortfalls.front());
    if (shortfalls.size() > 1) {
        notice += L" And " + std::to_wstring(shortfalls.size() - 1) + L" more.";
    }
    return notice;
}

std::wstring ShortfallList(const std::vector<Shortfall>& shortfalls) {
    std::wstring list;
    for (const Shortfall& s : shortfalls) {
        if (!list.empty()) {
            list += L"\r\n";
        }
        list += ShortfallText(s);
    }
    return list;
}

} // namespace kv::drives
