#pragma once
// Which drives are USB storage, and whether the protections' driver reaches a drive.
//
// Write protection and the lock act through the classic USB mass-storage driver (USBSTOR)
// only: a disk that Windows attaches through another driver (USB Attached SCSI, a card
// reader's, NVMe) gets neither, whatever the registry says.

#include "drives/drive_source.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv::drives {

// A drive belongs on the device line when it is removable, or fixed on a bus of USB
// storage (USB, SD, MMC, 1394): many USB disks and SSDs call themselves fixed.
bool IsUsbStorage(DriveType type, Bus bus);

struct Attachment {
    std::optional<std::wstring> driver;
    Coverage coverage = Coverage::Unknown;
    // When the disk's device last arrived (UTC FILETIME ticks), when Windows says.
    std::optional<std::int64_t> arrivedAt;
    bool operator==(const Attachment&) const = default;
};

// From what Windows could say: the bus, the service of the disk's parent device (nullopt
// when it could not be asked) and the enumerator of the disk's device instance ("USBSTOR"
// in "USBSTOR\DISK&VEN_...", empty when unknown).
Attachment Classify(Bus bus, const std::optional<std::wstring>& parentService,
                    std::wstring_view enumerator);

// The coverage of a listed drive, from its bus and driver.
Coverage CoverageOf(Bus bus, const std::optional<std::wstring>& driver);

// The bus as one lower-case word: "usb", "sd", ..., "unknown".
std::wstring_view BusWord(Bus bus);

} // namespace kv::drives
