#pragma once
// The three protection switches over the registry: what each one's value says (one typed
// state, read one way for the window and the command line alike) and how a change is
// stored. Words are in the protection's own terms: a protection is on when USB storage is
// write-protected, when it is locked, and when autorun is suppressed. The main window's
// blocks and the command line turn that into their own words.

#include "registry/mdl_RegFunctions.h"
#include "registry/reg_api.h"

#include <optional>
#include <string>
#include <vector>

namespace kv::protection {

enum class Switch {
    WriteProtect, // "WriteProtect" of the storage-device policies
    UsbLock,      // "Start" of the USB storage driver
    Autorun,      // "NoDriveTypeAutoRun" machine-wide and per-user
};

// Whether a protection is on. For autorun, On is autorun suppressed (the window's
// "Disabled") and Off is autorun allowed (its "Enabled").
enum class OnOff { Off, On };

// What the registry holds for one switch.
struct SwitchState {
    enum class Kind {
        ProtectionOn,  // the protecting value: 1, 4, or 255 in either autorun key
        ProtectionOff, // any other number
        Missing,       // no value or no key (error 2): nothing protects
        Unreadable,    // a value that exists could not be read; `error` is the code
    };
    Kind kind = Kind::Missing;
    reg::Status error = 0;
    // Every value read, in order (autorun: machine-wide, then per-user), with the error
    // line of each failed read.
    std::vector<reg::mdl_RegFunctions::RegReadResult> reads;

    // The protection when the state is known; nothing when a value could not be read (the
    // window and `status` both say "unknown" then, never either state).
    std::optional<OnOff> Known() const;

    bool operator==(const SwitchState&) const = default;
};

// One value written: its key created (or opened) first, then the value stored.
struct ValueWrite {
    reg::mdl_RegFunctions::RegResult created;
    reg::mdl_RegFunctions::RegResult stored;
    bool Done() const { return stored.ok(); }
};

struct WriteResult {
    // One per value, in the order written (autorun: machine-wide, then per-user).
    std::vector<ValueWrite> values;

    bool Done() const;
    // The one rule for a refusal: a value was not stored, and Windows refused its key or
    // its store for lack of rights (access denied). The window offers to restart as
    // administrator, the command line says that rights are needed.
    bool Refused() const;
    // The code that kept the first value not stored from being stored; 0 when all were.
    reg::Status FirstFailure() const;
};

// The path of the key whose write Windows refused first ("HKEY_LOCAL_MACHINE\\..."), for
// an administrator who must look at its permissions; empty when nothing was refused.
std::string RefusedKeyPath(Switch which, const WriteResult& written);

class Switches {
public:
    explicit Switches(reg::RegistryApi& registry) : registry_(registry) {}

    // Reads the switch's value(s). Creates no key and writes nothing.
    [[nodiscard]] SwitchState Read(Switch which) const;

    // Stores the value(s) that turn the protection on or off, each key created right
    // before its write (a missing policies key is common). Autorun: both keys, machine-wide
    // first, the second written whatever became of the first.
    [[nodiscard]] WriteResult Write(Switch which, OnOff to);

    // Creates the switch's key (the first one, for autorun) and nothing else.
    reg::mdl_RegFunctions::RegResult CreateKey(Switch which);

private:
    reg::RegistryApi& registry_;
};

} // namespace kv::protection
