#pragma once
// What Windows lets the current user do on a drive, asked without writing anything
// (Windows only).
//
// Windows' removable-storage policy puts an access list on each hot-plug volume's device
// when the volume arrives, and marks the device so that every open of a file on it is
// checked against that list. So the question is put to that list: the volume is opened for
// READ_CONTROL only (a direct open of the device: the file system is not involved and the
// media are not read), its security descriptor read, and AccessCheck asked for writing and
// for reading data with an identification copy of the process's own token. Read-only media
// are told apart by the volume's read-only flag, not here.

#include "drives/drive_source.h"

namespace kv::drives {

struct DriveAccess {
    Answer write = Answer::Unknown;
    Answer read = Answer::Unknown;
    bool operator==(const DriveAccess&) const = default;
};

// The decision: may the holder of `token` (an impersonation token) write and read data
// under `descriptor` (a SECURITY_DESCRIPTOR)? Unknown where either cannot be judged.
DriveAccess AccessUnder(const void* descriptor, void* token);

// Windows' answer for the current user on the volume at `letter`.
DriveAccess AskAccess(wchar_t letter);

} // namespace kv::drives
