#pragma once
// Tests that change what protects a real machine: the protection keys and the password
// store. Such a test program links kv_machine_guard (kelvane_test(... CHANGES_MACHINE)),
// which, before its first test, refuses to go on unless it runs under Wine or
// KELVANE_TESTS_MAY_CHANGE_THIS_MACHINE=1 is set, and after its last test, failed or not,
// puts every guarded key back as it found it: values, subkeys, access lists, absence.

#include "tests/support/wine.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace kv::test {

// A key whose whole tree the guard saves and restores.
struct GuardedKey {
    HKEY root;
    const wchar_t* path;
};

// StorageDevicePolicies, the USBSTOR service, the Explorer policies (machine and user)
// and HKCU\Software\kelvane. A test that changes another key that matters adds it here.
const std::vector<GuardedKey>& GuardedKeys();

// Under Wine, or with the opt-in set to exactly "1".
bool MayChangeThisMachine();
// The rule itself: optIn is the variable's text, or null when it is not set.
bool MayChange(bool underWine, const wchar_t* optIn);

// One key tree as it was when taken; Restore() makes the registry match it again and
// leaves what already matches untouched. A key that was missing is deleted again,
// together with any of its parents that the test created. The destructor restores too,
// unless Restore() already ran.
class KeySnapshot {
public:
    KeySnapshot(HKEY root, std::wstring path);
    ~KeySnapshot();
    KeySnapshot(const KeySnapshot&) = delete;
    KeySnapshot& operator=(const KeySnapshot&) = delete;

    // Whether the key could be read (or was missing): only then can it be restored.
    bool taken() const;
    // Whether the registry matched the snapshot afterwards.
    bool Restore();

    struct Tree;

private:
    HKEY root_;
    std::wstring path_;
    std::unique_ptr<Tree> saved_; // null when the key was missing
    std::wstring firstMissing_;   // the outermost missing key of path_, when missing
    bool pending_ = true;
};

} // namespace kv::test
