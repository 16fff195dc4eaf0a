#pragma once
// A drive source for tests: yields any list of drives, can fail at any read, and keeps a
// log of what was asked.

#include "drives/drive_source.h"

#include <optional>
#include <string>
#include <vector>

namespace kv::drives::test {

struct FakeDrive {
    std::wstring letter;
    DriveType type = DriveType::Removable;
    bool ready = true;
    std::wstring volume;
};

enum class Read { Collect, IsReady, Type, VolumeName, Letter };

struct Asked {
    Read read;
    std::size_t drive; // 0 for Collect
    bool operator==(const Asked&) const = default;
};

class FakeDriveSource final : public DriveSource {
public:
    std::vector<FakeDrive> drives;
    std::vector<Asked> log;

    // Makes the given read of the given drive fail with `code` (once set, every time).
    void FailAt(Read read, std::size_t drive, std::uint32_t code) {
        failure_ = {read, drive, code};
    }

    DriveResult<std::size_t> Collect() override {
        if (auto error = Ask(Read::Collect, 0)) {
            return *error;
        }
        snapshot_ = drives;
        return snapshot_.size();
    }
    DriveResult<bool> IsReady(std::size_t drive) override {
        if (auto error = Ask(Read::IsReady, drive)) {
            return *error;
        }
        return snapshot_.at(drive).ready;
    }
    DriveResult<DriveType> Type(std::size_t drive) override {
        if (auto error = Ask(Read::Type, drive)) {
            return *error;
        }
        return snapshot_.at(drive).type;
    }
    DriveResult<std::wstring> VolumeName(std::size_t drive) override {
        if (auto error = Ask(Read::VolumeName, drive)) {
            return *error;
        }
        return snapshot_.at(drive).volume;
    }
    DriveResult<std::wstring> Letter(std::size_t drive) override {
        if (auto error = Ask(Read::Letter, drive)) {
            return *error;
        }
        return snapshot_.at(drive).letter;
    }

private:
    struct Failure {
        Read read;
        std::size_t drive;
        std::uint32_t code;
    };

    std::optional<DriveError> Ask(Read read, std::size_t drive) {
        log.push_back({read, drive});
        if (failure_ && failure_->read == read && failure_->drive == drive) {
            return DriveError{L"fake read", failure_->code};
        }
        return std::nullopt;
    }

    std::vector<FakeDrive> snapshot_;
    std::optional<Failure> failure_;
};

} // namespace kv::drives::test
