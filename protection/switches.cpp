#include "protection/switches.h"

#include "protection/switch_pattern.h"
#include "protection/switch_values.h"
#include "registry/mdl_RegFunctions.h"

#include <string>

namespace kv::protection {
namespace {

namespace mdl = reg::mdl_RegFunctions;

// A read's outcome: the state to show and whether to create the key before showing it, so
// that the next click's write (which only opens an existing key) can succeed.
struct Outcome {
    Display display;
    bool createKeyFirst;
};

struct KnownValue {
    std::int32_t value;
    Outcome outcome;
};

// A switch over one DWORD value.
struct SingleValueSwitch {
    const char* keyPath;
    const char* valueName;
    std::array<StatusImage, 2> hideOrder;
    std::array<KnownValue, 2> known; // compared in this order
    Outcome otherNumber;
    Outcome notNumeric;
    std::array<Action, 2> actions; // compared with the caption in this order
};

constexpr Display kProtectionOn{L"Enabled", kGreen, StatusImage::Green, L"&Disable"};
constexpr Display kProtectionOff{L"Disabled", kRed, StatusImage::Red, L"&Enable"};

constexpr SingleValueSwitch kWriteProtection{
    .keyPath = kWriteProtectValues.keyPath,
    .valueName = kWriteProtectValues.valueName,
    .hideOrder = {StatusImage::Green, StatusImage::Red},
    .known = {{{kWriteProtectValues.on, {kProtectionOn, false}},
               {kWriteProtectValues.off, {kProtectionOff, false}}}},
    // Anything but 1 leaves storage writable; creating the (existing) key is harmless.
    .otherNumber = {kProtectionOff, true},
    .notNumeric = {kProtectionOff, true},
    .actions = {{{L"&Enable", kWriteProtectValues.on}, {L"&Disable", kWriteProtectValues.off}}},
};

constexpr Display kLocked{L"Locked", kRed, StatusImage::Red, L"&Unlock"};
constexpr Display kUnlocked{L"Unlocked", kGreen, StatusImage::Green, L"&Lock"};

constexpr SingleValueSwitch kStorageLock{
    .keyPath = kUsbLockValues.keyPath,
    .valueName = kUsbLockValues.valueName,
    .hideOrder = {StatusImage::Red, StatusImage::Green},
    .known = {{{kUsbLockValues.on, {kLocked, false}}, {kUsbLockValues.off, {kUnlocked, false}}}},
    // Start types 0, 1, 2 (and any other number) all load the driver: storage works.
    .otherNumber = {kUnlocked, false},
    .notNumeric = {kUnlocked, true},
    .actions = {{{L"&Lock", kUsbLockValues.on}, {L"&Unlock", kUsbLockValues.off}}},
};

// Autorun: the same value in two keys. Its read creates no key and goes on past a failing
// step; the click creates each key right before writing to it.
struct AutorunSwitch {
    std::array<const char*, 2> keyPaths; // machine-wide first, then per-user
    const char* valueName;
    std::array<StatusImage, 2> hideOrder;
    std::int32_t suppressing; // a value counts only when it is exactly this number
    Display noneSuppressing;
    Display anySuppressing;
    std::array<Action, 2> actions;
};

constexpr AutorunSwitch kAutorun{
    .keyPaths = {kAutorunValues.keyPath, kAutorunValues.userKeyPath},
    .valueName = kAutorunValues.valueName,
    .hideOrder = {StatusImage::Red, StatusImage::Green},
    .suppressing = kAutorunValues.on,
    .noneSuppressing = {L"Enabled", kGreen, StatusImage::Green, L"&Disable"},
    .anySuppressing = {L"Disabled", kRed, StatusImage::Red, L"&Enable"},
    .actions = {{{L"&Disable", kAutorunValues.on}, {L"&Enable", kAutorunValues.off}}},
};

// The text is read afresh for each test, as the value passes through txtRegValue.
const Outcome& Decide(const SingleValueSwitch& sw, const SwitchView& view) {
    if (!NumberFromText(view.RegValueText())) {
        return sw.notNumeric;
    }
    for (const KnownValue& known : sw.known) {
        if (NumberFromText(view.RegValueText()) == known.value) {
            return known.outcome;
        }
    }
    return sw.otherNumber;
}

void Read(const SingleValueSwitch& sw, SwitchView& view) {
    const Steps step(OnStepFailure::Propagate);
    HideImages(view, sw.hideOrder, step);
    view.SetRegValueText(WideText(mdl::GetDWordValue(sw.keyPath, sw.valueName)));
    const Outcome& outcome = Decide(sw, view);
    if (outcome.createKeyFirst) {
        mdl::CreateKey(sw.keyPath);
    }
    Show(view, outcome.display, ShowOrder::LabelFirst, step);
}

void Click(const SingleValueSwitch& sw, SwitchView& view) {
    if (const auto value = ValueForCaption(view, sw.actions)) {
        mdl::SetDWordValue(sw.keyPath, sw.valueName, *value);
    }
    // Whatever the write did, show what the registry now holds.
    Read(sw, view);
}

const SingleValueSwitch& SingleValue(Switch which) {
    return which == Switch::WriteProtect ? kWriteProtection : kStorageLock;
}

void ReadAutorun(SwitchView& view) {
    const Steps step(OnStepFailure::Continue);
    HideImages(view, kAutorun.hideOrder, step);
    int count = 0;
    for (const char* keyPath : kAutorun.keyPaths) {
        step([&] {
            view.SetRegValueText(WideText(mdl::GetDWordValue(keyPath, kAutorun.valueName)));
        });
        // A value that cannot be read ("Error", "") does not count.
        step([&] {
            if (NumberFromText(view.RegValueText()) == kAutorun.suppressing) {
                ++count;
            }
        });
    }
    Show(view, count == 0 ? kAutorun.noneSuppressing : kAutorun.anySuppressing,
         ShowOrder::ImageFirst, step);
}

void ToggleAutorun(SwitchView& view) {
    if (const auto value = ValueForCaption(view, kAutorun.actions)) {
        for (const char* keyPath : kAutorun.keyPaths) {
            // The policies keys are often missing; the write only opens an existing key.
            mdl::CreateKey(keyPath);
            mdl::SetDWordValue(keyPath, kAutorun.valueName, *value);
        }
    }
    ReadAutorun(view);
}

} // namespace

void ReadSwitch(Switch which, SwitchView& view) {
    if (which == Switch::Autorun) {
        ReadAutorun(view);
    } else {
        Read(SingleValue(which), view);
    }
}

void ToggleSwitch(Switch which, SwitchView& view) {
    if (which == Switch::Autorun) {
        ToggleAutorun(view);
    } else {
        Click(SingleValue(which), view);
    }
}

} // namespace kv::protection
