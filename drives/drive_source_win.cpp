#include "drives/drive_source_win.h"

#include "drives/attachment.h"
#include "drives/drive_access_win.h"
#include "drives/drive_facts_win.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <optional>
#include <vector>

namespace kv::drives {
namespace {

// Turns the "insert a disk" box off for this thread while a volume is read, then restores
// whatever mode the thread had.
class QuietCriticalErrors {
public:
    QuietCriticalErrors() {
        if (!SetThreadErrorMode(SEM_FAILCRITICALERRORS | previous_, &previous_)) {
            restore_ = false;
        }
    }
    ~QuietCriticalErrors() {
        if (restore_) {
            SetThreadErrorMode(previous_, nullptr);
        }
    }
    QuietCriticalErrors(const QuietCriticalErrors&) = delete;
    QuietCriticalErrors& operator=(const QuietCriticalErrors&) = delete;

private:
    DWORD previous_ = GetThreadErrorMode();
    bool restore_ = true;
};

std::array<wchar_t, 4> Root(wchar_t letter) {
    return {letter, L':', L'\\', L'\0'};
}

struct Volume {
    std::wstring label;
    DWORD serial = 0;
    bool readOnly = false;
};

// Readiness, label, serial number and the read-only flag in one call that the file system
// answers from the mounted volume. Any failure (no medium, unformatted, vanished) is "not
// ready".
std::optional<Volume> ReadVolume(wchar_t letter) {
    std::array<wchar_t, MAX_PATH + 1> label{};
    DWORD serial = 0;
    DWORD flags = 0;
    QuietCriticalErrors quiet;
    if (!GetVolumeInformationW(Root(letter).data(), label.data(), static_cast<DWORD>(label.size()),
                               &serial, nullptr, &flags, nullptr, 0)) {
        return std::nullopt;
    }
    return Volume{label.data(), serial, (flags & FILE_READ_ONLY_VOLUME) != 0};
}

class WindowsDriveSource final : public DriveSource {
public:
    DriveResult<std::vector<ListedDrive>> ReadyDrives() override {
        if (stale_.exchange(false)) {
            known_ = {};
        }
        const bool askAccess = accessStale_.exchange(false);
        SetLastError(ERROR_SUCCESS);
        const DWORD letters = GetLogicalDrives();
        if (letters == 0) {
            const DWORD code = GetLastError();
            if (code != ERROR_SUCCESS) {
                return DriveError{L"GetLogicalDrives", code};
            }
        }
        std::vector<ListedDrive> listed;
        for (int bit = 0; bit < 26; ++bit) {
            Known& known = known_[static_cast<std::size_t>(bit)];
            if ((letters & (DWORD{1} << bit)) == 0) {
                known = {};
                continue;
            }
            const auto letter = static_cast<wchar_t>(L'A' + bit);
            if (askAccess) {
                known.access.reset();
            }
            if (auto drive = Read(letter, known)) {
                listed.push_back(std::move(*drive));
            }
        }
        return listed;
    }

    void DevicesChanged() override { stale_ = true; }
    void AccessChanged() override { accessStale_ = true; }

private:
    // What stays true of a letter until a drive arrives or leaves: its bus, and the driver
    // and Windows' answer for the volume with `serial` (the answer also until a policy
    // changes).
    struct Known {
        std::optional<Bus> bus;
        std::optional<DWORD> serial;
        Attachment attachment;
        std::optional<DriveAccess> access;
    };

    // Removable drives are read as before; a fixed drive only once its bus, asked without
    // touching the media, says USB storage. Network, optical and other drives are left
    // alone beyond their type.
    static std::optional<ListedDrive> Read(wchar_t letter, Known& known) {
        const DriveType type = TypeOf(letter);
        if (type != DriveType::Removable && type != DriveType::Fixed) {
            known = {};
            return std::nullopt;
        }
        if (type == DriveType::Fixed) {
            if (!known.bus) {
                known.bus = QueryBus(letter);
            }
            if (!IsUsbStorage(type, *known.bus)) {
                return std::nullopt;
            }
        }
        const std::optional<Volume> volume = ReadVolume(letter);
        if (!volume) {
            return std::nullopt;
        }
        if (known.serial != volume->serial) { // a drive new to this letter
            if (type == DriveType::Removable || !known.bus) {
                known.bus = QueryBus(letter);
            }
            known.serial = volume->serial;
            known.attachment = QueryAttachment(letter, *known.bus);
            known.access.reset();
        }
        if (!known.access) {
            known.access = AskAccess(letter);
        }
        ListedDrive drive{std::wstring(1, letter), volume->label, volume->readOnly, *known.bus,
                          known.attachment.driver};
        drive.coverage = known.attachment.coverage;
        drive.mayWrite = known.access->write;
        drive.mayRead = known.access->read;
        drive.arrivedAt = known.attachment.arrivedAt;
        return drive;
    }

    static DriveType TypeOf(wchar_t letter) {
        switch (GetDriveTypeW(Root(letter).data())) {
        case DRIVE_REMOVABLE:
            return DriveType::Removable;
        case DRIVE_FIXED:
            return DriveType::Fixed;
        case DRIVE_REMOTE:
            return DriveType::Network;
        case DRIVE_CDROM:
            return DriveType::Optical;
        case DRIVE_RAMDISK:
            return DriveType::RamDisk;
        default:
            return DriveType::Unknown;
        }
    }

    std::array<Known, 26> known_{};
    std::atomic<bool> stale_ = false;
    std::atomic<bool> accessStale_ = false;
};

} // namespace

std::unique_ptr<DriveSource> MakeWindowsDriveSource() {
    return std::make_unique<WindowsDriveSource>();
}

} // namespace kv::drives
