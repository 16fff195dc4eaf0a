#pragma once
// Change notifications of registry keys (Windows builds only): one event per watched key,
// signalled by Windows when the key's values or subkeys change, for a loop that already
// waits to wait on as well. No thread and no polling.

#include "win32/unique_handle.h"

#include <windows.h>

#include <string>

namespace kv::reg {

// One key, watched for changes to its values and its subkeys (with `subtree`, also to
// every key below it). A key that does not exist yet is watched through its nearest
// existing parent, for a new subkey: the watch moves down when the path appears, and up
// again when the key goes. A key that cannot be opened for notification (its access list
// refuses it) is watched through its parent with the whole subtree, which still reports
// the key's changes.
class KeyWatch {
public:
    KeyWatch(HKEY root, std::wstring subKey, bool subtree);
    // A key path as the registry module writes it ("HKEY_LOCAL_MACHINE\\SOFTWARE\\X"); a
    // path naming no root gives a watch that never fires (Event() is null).
    KeyWatch(const std::string& keyPath, bool subtree);

    // Signalled once per change; after it, call Arm() before reading what changed, so that
    // a change made meanwhile is not missed.
    HANDLE Event() const { return event_.get(); }
    // Asks Windows for the next change. 0, or the code of the call that failed.
    LSTATUS Arm();
    // Whether the watch is on the key itself (not on a parent waiting for it).
    bool OnKey() const { return watchedDepth_ == depth_; }
    const std::wstring& SubKey() const { return subKey_; }

private:
    HKEY root_;
    std::wstring subKey_;
    bool subtree_;
    std::size_t depth_ = 0;        // how many names the sub-key has
    std::size_t watchedDepth_ = 0; // how many of them the open key has
    win32::UniqueKernelHandle event_;
    win32::UniqueKey key_;
};

} // namespace kv::reg
