#pragma once
// A drive source for tests: yields any list of drives, can fail, can hold a pass until the
// test lets it go, and counts passes.
//
// The window runs its passes on a worker thread: a test that lets passes run changes the
// drives through SetDrives and counts through Collects(), which take the source's lock.
// The plain fields are for tests that call the source from one thread.

#include "drives/attachment.h"
#include "drives/drive_source.h"

#include <chrono>
#include <cstdint>
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
    bool readOnly = false;
    Bus bus = Bus::Unknown;
    std::optional<std::wstring> driver;
    Answer mayWrite = Answer::Unknown;
    Answer mayRead = Answer::Unknown;
    std::optional<std::int64_t> arrivedAt;
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

// Lists its ready drives of USB storage as the Windows source does (IsUsbStorage).
class FakeDriveSource final : public DriveSource {
public:
    std::vector<FakeDrive> drives;
    std::shared_ptr<DriveGate> gate; // when set, every pass waits at it

    // Makes every later pass fail with `code`.
    void Fail(std::uint32_t code) {
        const std::lock_guard guard(lock_);
        failure_ = code;
    }
    void SetDrives(std::vector<FakeDrive> list) {
        const std::lock_guard guard(lock_);
        drives = std::move(list);
    }
    // How many passes asked for the drives, and how often DevicesChanged was called.
    std::size_t Collects() const {
        const std::lock_guard guard(lock_);
        return collects_;
    }
    int Changes() const {
        const std::lock_guard guard(lock_);
        return changes_;
    }

    DriveResult<std::vector<ListedDrive>> ReadyDrives() override {
        if (gate) {
            gate->Enter();
        }
        const std::lock_guard guard(lock_);
        ++collects_;
        if (failure_) {
            return DriveError{L"fake read", *failure_};
        }
        std::vector<ListedDrive> listed;
        for (const FakeDrive& d : drives) {
            if (d.ready && IsUsbStorage(d.type, d.bus)) {
                listed.push_back({d.letter, d.volume, d.readOnly, d.bus, d.driver,
                                  CoverageOf(d.bus, d.driver), d.mayWrite, d.mayRead, d.arrivedAt});
            }
        }
        return listed;
    }
    void DevicesChanged() override {
        const std::lock_guard guard(lock_);
        ++changes_;
    }
    void AccessChanged() override {
        const std::lock_guard guard(lock_);
        ++accessChanges_;
    }
    int AccessChanges() const {
        const std::lock_guard guard(lock_);
        return accessChanges_;
    }

private:
    mutable std::mutex lock_;
    std::optional<std::uint32_t> failure_;
    std::size_t collects_ = 0;
    int changes_ = 0;
    int accessChanges_ = 0;
};

} // namespace kv::drives::test
