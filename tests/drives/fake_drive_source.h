#pragma once
// A drive source for tests: yields any list of drives, can fail at any read, can hold a
// pass inside Collect until the test lets it go, and keeps a log of what was asked.
//
// The window runs its passes on a worker thread: a test that lets passes run changes the
// drives through SetDrives and counts reads through Asks(), which take the source's lock.
// The plain fields are for tests that call the source from one thread.

#include "drives/drive_source.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
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

// Holds every Collect while closed, as a drive that takes its time to answer. Shared, so
// it outlives a source that a hung pass still holds.
class DriveGate {
public:
    void Close() {
        const std::lock_guard guard(lock_);
        open_ = false;
    }
    void Open() {
        const std::lock_guard guard(lock_);
        open_ = true;
        changed_.notify_all();
    }
    // How many passes are held now, and how many ever went through.
    int Held() const {
        const std::lock_guard guard(lock_);
        return held_;
    }
    int Passed() const {
        const std::lock_guard guard(lock_);
        return passed_;
    }
    bool WaitUntilPassed(int count, std::chrono::milliseconds limit) {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, limit, [&] { return passed_ >= count; });
    }
    void Enter() {
        std::unique_lock guard(lock_);
        ++held_;
        changed_.wait(guard, [&] { return open_; });
        --held_;
        ++passed_;
        changed_.notify_all();
    }

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    bool open_ = true;
    int held_ = 0;
    int passed_ = 0;
};

class FakeDriveSource final : public DriveSource {
public:
    std::vector<FakeDrive> drives;
    std::vector<Asked> log;
    std::shared_ptr<DriveGate> gate; // when set, Collect waits at it

    // Makes the given read of the given drive fail with `code` (once set, every time).
    void FailAt(Read read, std::size_t drive, std::uint32_t code) {
        const std::lock_guard guard(lock_);
        failure_ = Failure{read, drive, code};
    }
    void SetDrives(std::vector<FakeDrive> list) {
        const std::lock_guard guard(lock_);
        drives = std::move(list);
    }
    std::size_t Asks() const {
        const std::lock_guard guard(lock_);
        return log.size();
    }
    std::size_t Collects() const {
        const std::lock_guard guard(lock_);
        return static_cast<std::size_t>(std::count_if(
            log.begin(), log.end(), [](const Asked& a) { return a.read == Read::Collect; }));
    }

    DriveResult<std::size_t> Collect() override {
        if (gate) {
            gate->Enter();
        }
        const std::lock_guard guard(lock_);
        if (auto error = Ask(Read::Collect, 0)) {
            return *error;
        }
        snapshot_ = drives;
        return snapshot_.size();
    }
    DriveResult<bool> IsReady(std::size_t drive) override {
        const std::lock_guard guard(lock_);
        if (auto error = Ask(Read::IsReady, drive)) {
            return *error;
        }
        return snapshot_.at(drive).ready;
    }
    DriveResult<DriveType> Type(std::size_t drive) override {
        const std::lock_guard guard(lock_);
        if (auto error = Ask(Read::Type, drive)) {
            return *error;
        }
        return snapshot_.at(drive).type;
    }
    DriveResult<std::wstring> VolumeName(std::size_t drive) override {
        const std::lock_guard guard(lock_);
        if (auto error = Ask(Read::VolumeName, drive)) {
            return *error;
        }
        return snapshot_.at(drive).volume;
    }
    DriveResult<std::wstring> Letter(std::size_t drive) override {
        const std::lock_guard guard(lock_);
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

    mutable std::mutex lock_;
    std::vector<FakeDrive> snapshot_;
    std::optional<Failure> failure_;
};

} // namespace kv::drives::test
