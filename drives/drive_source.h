#pragma once
// The machine's drives as the device line reads them: a collection taken anew for every
// pass, then up to four properties of each drive. Every call can fail; the failure says
// what was asked and the system's error code, so the caller can log it and keep the line
// it already shows.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace kv::drives {

struct DriveError {
    std::wstring call;      // what failed, e.g. L"GetLogicalDrives"
    std::uint32_t code = 0; // the system error code; 0 when the call gives none

    bool operator==(const DriveError&) const = default;
};

// A value, or the error that left none (std::expected only arrives with C++23).
template <class T> class DriveResult {
public:
    DriveResult(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    DriveResult(DriveError error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }
    // Asking a failed result for its value (or a good one for its error) throws
    // std::bad_variant_access.
    const T& value() const { return std::get<0>(state_); }
    const T& operator*() const { return value(); }
    const T* operator->() const { return &value(); }
    const DriveError& error() const { return std::get<1>(state_); }

private:
    std::variant<T, DriveError> state_;
};

// Kinds of drive. The numbers are the ones the device line has always compared against:
// only 1, removable, is listed.
enum class DriveType : int {
    Unknown = 0,
    Removable = 1,
    Fixed = 2,
    Network = 3,
    Optical = 4,
    RamDisk = 5,
};

class DriveSource {
public:
    virtual ~DriveSource() = default;

    // Takes a fresh snapshot of the drive collection and returns how many drives it holds.
    // The reads below address the drives of the latest snapshot by position, 0 first, in
    // the order in which the collection yields them.
    virtual DriveResult<std::size_t> Collect() = 0;

    virtual DriveResult<bool> IsReady(std::size_t drive) = 0;
    virtual DriveResult<DriveType> Type(std::size_t drive) = 0;
    // The volume label; empty when the volume has none.
    virtual DriveResult<std::wstring> VolumeName(std::size_t drive) = 0;
    // The letter alone, without colon or backslash: L"E".
    virtual DriveResult<std::wstring> Letter(std::size_t drive) = 0;
};

} // namespace kv::drives
