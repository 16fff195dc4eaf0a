#include "drives/drive_source_win.h"

#include <windows.h>

#include <array>
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

class WindowsDriveSource final : public DriveSource {
public:
    DriveResult<std::size_t> Collect() override {
        drives_.clear();
        SetLastError(ERROR_SUCCESS);
        const DWORD letters = GetLogicalDrives();
        if (letters == 0) {
            const DWORD code = GetLastError();
            if (code != ERROR_SUCCESS) {
                return DriveError{L"GetLogicalDrives", code};
            }
        }
        for (int bit = 0; bit < 26; ++bit) {
            if ((letters & (DWORD{1} << bit)) == 0) {
                continue;
            }
            const auto letter = static_cast<wchar_t>(L'A' + bit);
            if (GetDriveTypeW(Root(letter).data()) == DRIVE_REMOVABLE) {
                drives_.push_back(Drive{letter, std::nullopt});
            }
        }
        return drives_.size();
    }

    DriveResult<bool> IsReady(std::size_t drive) override {
        if (drive >= drives_.size()) {
            return OutOfRange(L"IsReady");
        }
        Drive& d = drives_[drive];
        std::array<wchar_t, MAX_PATH + 1> label{};
        {
            QuietCriticalErrors quiet;
            if (!GetVolumeInformationW(Root(d.letter).data(), label.data(),
                                       static_cast<DWORD>(label.size()), nullptr, nullptr, nullptr,
                                       nullptr, 0)) {
                d.label.reset();
                return false;
            }
        }
        d.label = std::wstring(label.data());
        return true;
    }

    DriveResult<DriveType> Type(std::size_t drive) override {
        if (drive >= drives_.size()) {
            return OutOfRange(L"Type");
        }
        return DriveType::Removable; // the collection holds nothing else
    }

    DriveResult<std::wstring> VolumeName(std::size_t drive) override {
        if (drive >= drives_.size()) {
            return OutOfRange(L"VolumeName");
        }
        // The label comes with the readiness probe; asking without one probes now.
        if (!drives_[drive].label) {
            const auto ready = IsReady(drive);
            if (!*ready) {
                return DriveError{L"GetVolumeInformationW", ERROR_NOT_READY};
            }
        }
        return *drives_[drive].label;
    }

    DriveResult<std::wstring> Letter(std::size_t drive) override {
        if (drive >= drives_.size()) {
            return OutOfRange(L"Letter");
        }
        return std::wstring(1, drives_[drive].letter);
    }

private:
    struct Drive {
        wchar_t letter;
        std::optional<std::wstring> label; // known once the volume was read
    };

    static std::array<wchar_t, 4> Root(wchar_t letter) { return {letter, L':', L'\\', L'\0'}; }

    static DriveError OutOfRange(const wchar_t* read) {
        return DriveError{std::wstring(read) + L" (no such drive)", ERROR_INVALID_PARAMETER};
    }

    std::vector<Drive> drives_;
};

} // namespace

std::unique_ptr<DriveSource> MakeWindowsDriveSource() {
    return std::make_unique<WindowsDriveSource>();
}

} // namespace kv::drives
