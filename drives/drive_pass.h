#pragma once
// Drive passes off the window's thread: a slow card reader or a failing stick may take
// seconds to answer, and the window must not freeze meanwhile.
//
// One pass at a time. Start() hands the pass to a detached worker and returns at once;
// the worker lists the drives, keeps the result and calls the note set with Notify(), which
// only tells the owner to come and Take() it on its own thread. Everything the worker
// touches (the source, the result, the note) lives in a state shared with it, so the
// owner may go away while a pass hangs: Notify(nullptr) (also run by the destructor)
// never waits, and the worker's late result is dropped with the state.

#include "drives/drive_source.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kv::drives {

class DrivePasses {
public:
    using Line = DriveResult<std::vector<ListedDrive>>;

    DrivePasses();
    ~DrivePasses();
    DrivePasses(const DrivePasses&) = delete;
    DrivePasses& operator=(const DrivePasses&) = delete;

    // The source of later passes; a running pass keeps the one it started with.
    void SetSource(std::shared_ptr<DriveSource> source);
    bool HasSource() const;
    // Tells the source that drives arrived or left (see DriveSource::DevicesChanged).
    void DevicesChanged();
    // Tells the source that what the user may do on drives may have changed (a policy was
    // added or removed; see DriveSource::AccessChanged).
    void AccessChanged();

    // Starts a pass unless one is running; false when none was started (one runs, no
    // source, or no thread could be made). A pass counts as running until its worker has
    // kept the result, not until the result is taken.
    bool Start();
    bool Running() const;
    // Waits up to `limit` for the running pass to end; true when none runs.
    bool WaitFor(std::chrono::milliseconds limit);
    // The result of the last ended pass, once; nullopt when there is none to take.
    std::optional<Line> Take();
    // What a worker calls once its result is kept: on the worker thread, under the
    // state's lock, so it must only post a note to the owner's thread and never call in
    // here. No earlier note starts after this returns; nullptr: none at all.
    void Notify(std::function<void()> ready);

private:
    struct State;
    // The source, taken under the lock and called outside it.
    std::shared_ptr<DriveSource> Source() const;
    std::shared_ptr<State> state_;
};

} // namespace kv::drives
