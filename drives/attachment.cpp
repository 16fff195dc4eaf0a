#include "drives/attachment.h"

#include "win32/text.h"

namespace kv::drives {
namespace {

constexpr std::wstring_view kUsbStor = L"USBSTOR";

} // namespace

bool IsUsbStorage(DriveType type, Bus bus) {
    if (type == DriveType::Removable) {
        return true;
    }
    return type == DriveType::Fixed &&
           (bus == Bus::Usb || bus == Bus::Sd || bus == Bus::Mmc || bus == Bus::Ieee1394);
}

Coverage CoverageOf(Bus bus, const std::optional<std::wstring>& driver) {
    if (driver) {
        return win32::SameIgnoringCase(*driver, kUsbStor) ? Coverage::Covered
                                                          : Coverage::NotCovered;
    }
    // USBSTOR only ever attaches USB disks, so these buses say enough; USB and SCSI (UASP
    // disks may say either) do not.
    switch (bus) {
    case Bus::Sd:
    case Bus::Mmc:
    case Bus::Nvme:
    case Bus::Ieee1394:
    case Bus::Sata:
        return Coverage::NotCovered;
    default:
        return Coverage::Unknown;
    }
}

Attachment Classify(Bus bus, const std::optional<std::wstring>& parentService,
                    std::wstring_view enumerator) {
    std::optional<std::wstring> driver;
    if (parentService && !parentService->empty()) {
        driver.emplace(*parentService);
    } else if (win32::SameIgnoringCase(enumerator, kUsbStor)) {
        // A disk that USBSTOR enumerates hangs on it even when its parent's service is unread.
        driver.emplace(kUsbStor);
    }
    const Coverage coverage = CoverageOf(bus, driver);
    return {std::move(driver), coverage};
}

std::wstring_view BusWord(Bus bus) {
    switch (bus) {
    case Bus::Usb:
        return L"usb";
    case Bus::Sd:
        return L"sd";
    case Bus::Mmc:
        return L"mmc";
    case Bus::Nvme:
        return L"nvme";
    case Bus::Ieee1394:
        return L"1394";
    case Bus::Sata:
        return L"sata";
    case Bus::Scsi:
        return L"scsi";
    case Bus::Other:
        return L"other";
    case Bus::Unknown:
        break;
    }
    return L"unknown";
}

} // namespace kv::drives
