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
//
// A denial is then confirmed by the open it stands for: the root folder opened for adding
// a file (or for listing it), which creates nothing. Saying that a protection holds when it
// does not is the one mistake that matters, and the open meets whatever Windows enforces,
// not only that list; it is made only when the list denies, so once per arrival at most.

#include "drives/drive_source.h"

#include <cstdint>

namespace kv::drives {

struct DriveAccess {
    Answer write = Answer::Unknown;
    Answer read = Answer::Unknown;
    bool operator==(const DriveAccess&) const = default;
};

// The decision: may the holder of `token` (an impersonation token) write and read data
// under `descriptor` (a SECURITY_DESCRIPTOR)? Unknown where either cannot be judged.
DriveAccess AccessUnder(const void* descriptor, void* token);

// The list's answer checked against a real open: `openError` is 0 when the open was
// granted, else its system error code. Only a denial is checked: granted, the user can do
// it; refused for access or write protection, Windows denies it; anything else, unknown.
Answer ConfirmedByOpen(Answer fromList, std::uint32_t openError);

// Windows' answer for the current user on the volume at `letter`.
DriveAccess AskAccess(wchar_t letter);

} // namespace kv::drives
