#include "drives/drive_pass.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace kv::drives {

struct DrivePasses::State {
    std::mutex lock;
    std::condition_variable ended;
    std::function<void()> ready;
    std::shared_ptr<DriveSource> source;
    bool running = false;
    std::optional<Line> result;
};

namespace {

DrivePasses::Line RunPass(DriveSource& source) {
    // The worker must not end the program: whatever escapes becomes a failed pass.
    try {
        return source.ReadyDrives();
    } catch (const std::exception&) {
        return DriveError{L"drive pass (exception)", 0};
    } catch (...) {
        return DriveError{L"drive pass (unknown exception)", 0};
    }
}

} // namespace

DrivePasses::DrivePasses() : state_(std::make_shared<State>()) {}

DrivePasses::~DrivePasses() {
    Notify(nullptr);
}

void DrivePasses::SetSource(std::shared_ptr<DriveSource> source) {
    const std::lock_guard guard(state_->lock);
    state_->source = std::move(source);
}

bool DrivePasses::HasSource() const {
    const std::lock_guard guard(state_->lock);
    return state_->source != nullptr;
}

std::shared_ptr<DriveSource> DrivePasses::Source() const {
    const std::lock_guard guard(state_->lock);
    return state_->source;
}

void DrivePasses::DevicesChanged() {
    if (const auto source = Source()) {
        source->DevicesChanged();
    }
}

void DrivePasses::AccessChanged() {
    if (const auto source = Source()) {
        source->AccessChanged();
    }
}

bool DrivePasses::Start() {
    std::shared_ptr<DriveSource> source;
    {
        const std::lock_guard guard(state_->lock);
        if (state_->running || !state_->source) {
            return false;
        }
        state_->running = true;
        source = state_->source;
    }
    try {
        std::thread([state = state_, source = std::move(source)] {
            Line line = RunPass(*source);
            const std::lock_guard guard(state->lock);
            state->result = std::move(line);
            state->running = false;
            state->ended.notify_all();
            if (state->ready) {
                state->ready();
            }
        }).detach();
    } catch (const std::system_error&) {
        const std::lock_guard guard(state_->lock);
        state_->running = false;
        return false;
    }
    return true;
}

bool DrivePasses::Running() const {
    const std::lock_guard guard(state_->lock);
    return state_->running;
}

bool DrivePasses::WaitFor(std::chrono::milliseconds limit) {
    std::unique_lock guard(state_->lock);
    return state_->ended.wait_for(guard, limit, [&] { return !state_->running; });
}

std::optional<DrivePasses::Line> DrivePasses::Take() {
    const std::lock_guard guard(state_->lock);
    std::optional<Line> taken = std::move(state_->result);
    state_->result.reset();
    return taken;
}

void DrivePasses::Notify(std::function<void()> ready) {
    std::function<void()> old;
    const std::lock_guard guard(state_->lock);
    old.swap(state_->ready);
    state_->ready = std::move(ready);
}

} // namespace kv::drives
