#pragma once
// What reading the stored password can give. Portable, so the decisions built on it are
// tested without Windows; the store itself is in settings_store_win.h.

#include <string>

namespace kv::password {

enum class StoreReadStatus {
    Missing, // key or value absent: no password is set
    Value,   // the value was read; its text may be empty (no password)
    Failed,  // the value exists but could not be read (access denied, wrong type...)
};

struct StoredPasswordRead {
    StoreReadStatus status = StoreReadStatus::Failed;
    std::wstring text; // empty unless status is Value
    long error = 0;    // the Win32 error code when status is Failed, for logging
};

} // namespace kv::password
