#include "protection/switches.h"

#include "protection/switch_pattern.h"
#include "protection/switch_values.h"
#include "registry/mdl_RegFunctions.h"

#include <string>
#include <vector>

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

// A switch over one DWORD value. `on` is the protected state, compared first.
struct SingleValueSwitch {
    const char* keyPath;
    const char* valueName;
    std::array<StatusImage, 2> hideOrder;
    KnownValue on;
    KnownValue off;
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
    .on = {kWriteProtectValues.on, {kProtectionOn, false}},
    .off = {kWriteProtectValues.off, {kProtectionOff, false}},
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
    .on = {kUsbLockValues.on, {kLocked, false}},
    .off = {kUsbLockValues.off, {kUnlocked, false}},
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
    std::int32_t allowing;
    Display noneSuppressing;
    Display anySuppressing;
    std::array<Action, 2> actions;
};

constexpr AutorunSwitch kAutorun{
    .keyPaths = {kAutorunValues.keyPath, kAutorunValues.userKeyPath},
    .valueName = kAutorunValues.valueName,
    .hideOrder = {StatusImage::Red, StatusImage::Green},
    .suppressing = kAutorunValues.on,
    .allowing = kAutorunValues.off,
    .noneSuppressing = {L"Enabled", kGreen, StatusImage::Green, L"&Disable"},
    .anySuppressing = {L"Disabled", kRed, StatusImage::Red, L"&Enable"},
    .actions = {{{L"&Disable", kAutorunValues.on}, {L"&Enable", kAutorunValues.off}}},
};

// A read result as the window's numeric test sees it once it has passed through
// txtRegValue.
std::optional<std::int32_t> Number(const mdl::RegReadResult& result) {
    return NumberFromText(WideText(result));
}

// `number()` gives the value read, or nothing for a read without a usable number. The
// window's read asks it afresh for each test, as the value passes through txtRegValue.
template <class NumberSource>
const Outcome& Decide(const SingleValueSwitch& sw, const NumberSource& number) {
    if (!number()) {
        return sw.notNumeric;
    }
    for (const KnownValue* known : {&sw.on, &sw.off}) {
        if (number() == known->value) {
            return known->outcome;
        }
    }
    return sw.otherNumber;
}

const Outcome& Decide(const SingleValueSwitch& sw, const SwitchView& view) {
    return Decide(sw, [&] { return NumberFromText(view.RegValueText()); });
}

// The same decision straight from the registry, without a window.
const Outcome& DecideFromRegistry(const SingleValueSwitch& sw) {
    const std::optional<std::int32_t> read = Number(mdl::GetDWordValue(sw.keyPath, sw.valueName));
    return Decide(sw, [&] { return read; });
}

// What a value counts for the autorun block: only the exact number suppresses, and a
// value that cannot be read ("Error", "") does not.
bool Suppresses(std::optional<std::int32_t> value) {
    return value == kAutorun.suppressing;
}
const Display& AutorunDisplay(int suppressingCount) {
    return suppressingCount == 0 ? kAutorun.noneSuppressing : kAutorun.anySuppressing;
}

// Stores one value. With `writeFailures`, the failure codes of this write alone are taken
// from the module and added there; without, they stay in the module for the caller.
void StoreValue(const char* keyPath, const char* valueName, std::int32_t value,
                std::vector<std::int32_t>* writeFailures) {
    if (writeFailures == nullptr) {
        mdl::SetDWordValue(keyPath, valueName, value);
        return;
    }
    mdl::TakeFailures();
    mdl::SetDWordValue(keyPath, valueName, value);
    for (const std::int32_t code : mdl::TakeFailures()) {
        writeFailures->push_back(code);
    }
}

// Both autorun values, machine-wide first, the second written whatever became of the first.
// The policies keys are often missing, and the write only opens an existing key, so each is
// created right before its write.
void StoreAutorun(std::int32_t value, std::vector<std::int32_t>* writeFailures) {
    for (const char* keyPath : kAutorun.keyPaths) {
        mdl::CreateKey(keyPath);
        StoreValue(keyPath, kAutorun.valueName, value, writeFailures);
    }
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
        StoreValue(sw.keyPath, sw.valueName, *value, nullptr);
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
        step([&] {
            if (Suppresses(NumberFromText(view.RegValueText()))) {
                ++count;
            }
        });
    }
    Show(view, AutorunDisplay(count), ShowOrder::ImageFirst, step);
}

void ToggleAutorun(SwitchView& view) {
    if (const auto value = ValueForCaption(view, kAutorun.actions)) {
        StoreAutorun(*value, nullptr);
    }
    ReadAutorun(view);
}

} // namespace

std::wstring_view SwitchHeading(Switch which) {
    switch (which) {
    case Switch::WriteProtect:
        return L"USB Device Write Protection";
    case Switch::UsbLock:
        return L"USB Device Lock";
    case Switch::Autorun:
        break;
    }
    return L"USB Device Autorun";
}

std::wstring_view StateWord(Switch which, bool on) {
    if (which == Switch::Autorun) {
        return (on ? kAutorun.noneSuppressing : kAutorun.anySuppressing).word;
    }
    const SingleValueSwitch& sw = SingleValue(which);
    return (on ? sw.on : sw.off).outcome.display.word;
}

bool IsSwitchOn(Switch which) {
    if (which == Switch::Autorun) {
        int count = 0;
        for (const char* keyPath : kAutorun.keyPaths) {
            if (Suppresses(Number(mdl::GetDWordValue(keyPath, kAutorun.valueName)))) {
                ++count;
            }
        }
        return AutorunDisplay(count) == kAutorun.noneSuppressing;
    }
    const SingleValueSwitch& sw = SingleValue(which);
    return DecideFromRegistry(sw).display == sw.on.outcome.display;
}

std::vector<std::int32_t> SetSwitch(Switch which, bool on) {
    std::vector<std::int32_t> failures;
    if (which == Switch::Autorun) {
        StoreAutorun(on ? kAutorun.allowing : kAutorun.suppressing, &failures);
    } else {
        const SingleValueSwitch& sw = SingleValue(which);
        // What the window's read does before the first click: a key without a usable value
        // is created, so that the write can open it.
        if (DecideFromRegistry(sw).createKeyFirst) {
            mdl::CreateKey(sw.keyPath);
        }
        StoreValue(sw.keyPath, sw.valueName, on ? sw.on.value : sw.off.value, &failures);
    }
    mdl::TakeFailures();
    return failures;
}

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
