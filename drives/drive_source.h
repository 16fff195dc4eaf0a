#pragma once
// The machine's drives as the device line reads them: the list of ready drives of USB
// storage, taken anew for every pass, with what is known of each. A pass can fail; the
// failure says what was asked and the system's error code, so the caller can log it and
// keep the line it already shows.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace kv::drives {

struct DriveError {
    std::wstring call;      // what failed, e.g. L"GetLogicalDrives"
    std::uint32_t code = 0; // the system error code; 0 when the call gives none

    bool operator==(const DriveError&) const = default;
};

// A value, or the error that left none (std::expected only arrives with C++23).
template <class T> class DriveResult {
public:
    DriveResult(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    DriveResult(DriveError error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }
    // Asking a failed result for its value (or a good one for its error) throws
    // std::bad_variant_access.
    const T& value() const { return std::get<0>(state_); }
    const T& operator*() const { return value(); }
    const T* operator->() const { return &value(); }
    const DriveError& error() const { return std::get<1>(state_); }

private:
    std::variant<T, DriveError> state_;
};

// Kinds of drive, as GetDriveTypeW tells them.
enum class DriveType : int {
    Unknown = 0,
    Removable = 1,
    Fixed = 2,
    Network = 3,
    Optical = 4,
    RamDisk = 5,
};

// The bus a drive hangs on, as the storage stack reports it; Unknown when it cannot be asked.
enum class Bus { Unknown, Usb, Sd, Mmc, Nvme, Ieee1394, Sata, Scsi, Other };

// Whether the protections' driver is the one the drive is attached through.
enum class Coverage { Covered, NotCovered, Unknown };

// Windows' own answer to "may the current user do this on the drive".
enum class Answer { Allowed, Denied, Unknown };

// One drive of the device line and what is known about it.
struct ListedDrive {
    std::wstring letter;   // alone, without colon or backslash: L"E"
    std::wstring label;    // the volume label, possibly empty
    bool readOnly = false; // the volume is mounted read-only now
    Bus bus = Bus::Unknown;
    // The service of the device the disk hangs on ("USBSTOR", "UASPStor", ...), as Windows
    // spells it; nullopt when Windows cannot say.
    std::optional<std::wstring> driver;
    // Whether that driver is the protections' one, decided once when the drive arrives.
    Coverage coverage = Coverage::Unknown;
    // What Windows lets the current user do on the volume, asked when the drive arrives and
    // again after a device or policy change.
    Answer mayWrite = Answer::Unknown;
    Answer mayRead = Answer::Unknown;
    // When the disk's device last arrived (UTC, FILETIME ticks); nullopt when Windows
    // cannot say.
    std::optional<std::int64_t> arrivedAt;

    bool operator==(const ListedDrive&) const = default;
};

class DriveSource {
public:
    virtual ~DriveSource() = default;

    // The drives of the device line now, in letter order: ready, and removable or on a bus
    // of USB storage (see IsUsbStorage). Each call looks anew; a failure ends the pass.
    virtual DriveResult<std::vector<ListedDrive>> ReadyDrives() = 0;

    // A drive arrived or left: what a source keeps about drives between passes is stale.
    // Called from any thread.
    virtual void DevicesChanged() {}

    // What the current user may do on a drive may have changed (a policy was added or
    // removed): the next pass asks Windows again for every drive. Called from any thread.
    virtual void AccessChanged() {}
};

} // namespace kv::drives
