#include "app/frm_Main_switches.h"

#include "app/frm_Main_ids.h"
#include "protection/switch_facts.h"
#include "win32/system_message.h"
#include "win32/text.h"

#include <windows.h>

#include <string>

namespace kv::app {
namespace {

using protection::OnOff;
using protection::Switch;
namespace mdl = reg::mdl_RegFunctions;

// Dark amber: neither state's green nor red, and readable on the window's background.
constexpr ui::Rgb kUnknownColour{150, 88, 0};

// What a block shows in one state. The colour goes with the word, not with whether a
// protection is on.
struct Display {
    const wchar_t* word;
    ui::Rgb colour;
    int image;
    const wchar_t* button; // the action that leads to the other state
};

struct Block {
    int label, button;
    int images[3]; // every picture of the block, hidden before one is shown
    Display protectionOn, protectionOff;
    int unknownImage;
    bool readCreatesKey;   // the read makes the key when it found no number
    bool keepsGoingOnFail; // a failing control does not stop the rest of the block

    const Display& For(OnOff p) const { return p == OnOff::On ? protectionOn : protectionOff; }
};

using M = MainIds;
constexpr const protection::SwitchWords& kWriteProtectWords =
    protection::WordsOf(Switch::WriteProtect);
constexpr const protection::SwitchWords& kUsbLockWords = protection::WordsOf(Switch::UsbLock);
constexpr const protection::SwitchWords& kAutorunWords = protection::WordsOf(Switch::Autorun);

constexpr Block kWriteProtectBlock{
    M::lblStatus,
    M::cmdApply,
    {M::imgEnabled, M::imgDisabled, M::imgWriteProtectUnknown},
    {kWriteProtectWords.protectionOn, ui::kGreen, M::imgEnabled, kDisableCaption},
    {kWriteProtectWords.protectionOff, ui::kRed, M::imgDisabled, kEnableCaption},
    M::imgWriteProtectUnknown,
    true,
    false,
};

constexpr Block kUsbLockBlock{
    M::lblUSBLockStatus,
    M::cmdLock,
    {M::imgUnLocked, M::imgLocked, M::imgUSBLockUnknown},
    {kUsbLockWords.protectionOn, ui::kRed, M::imgLocked, kUnlockCaption},
    {kUsbLockWords.protectionOff, ui::kGreen, M::imgUnLocked, kLockCaption},
    M::imgUSBLockUnknown,
    true,
    false,
};

// Autorun suppressed is "Disabled"; its read creates no key and skips a failing step.
constexpr Block kAutorunBlock{
    M::lblUSBDeviceARStatus,
    M::cmdUSBAutorunControl,
    {M::imgUSBDeviceAREnabled, M::imgUSBDeviceARDisabled, M::imgUSBDeviceARUnknown},
    {kAutorunWords.protectionOn, ui::kRed, M::imgUSBDeviceARDisabled, kEnableCaption},
    {kAutorunWords.protectionOff, ui::kGreen, M::imgUSBDeviceAREnabled, kDisableCaption},
    M::imgUSBDeviceARUnknown,
    false,
    true,
};

const Block& BlockOf(Switch which) {
    switch (which) {
    case Switch::WriteProtect:
        return kWriteProtectBlock;
    case Switch::UsbLock:
        return kUsbLockBlock;
    case Switch::Autorun:
        break;
    }
    return kAutorunBlock;
}

void ListError(ui::Form& form, const mdl::RegResult& result) {
    if (result.errorLine) {
        form.AppendItem(M::lstErrs, win32::Widened(*result.errorLine));
    }
}

// Runs one step of a block; a block that keeps going drops a step that fails.
template <class Step> void Run(const Block& block, Step&& step) {
    if (!block.keepsGoingOnFail) {
        step();
        return;
    }
    try {
        step();
    } catch (...) {
        // A control that refuses one property must not keep the rest of the block from
        // showing the state.
    }
}

// The label's words for a value that cannot be read: the word and, short enough for the
// block, why; the tooltip has Windows' own words.
std::wstring UnknownLabel(reg::Status code) {
    if (code == ERROR_ACCESS_DENIED) {
        return std::wstring(kUnknownWord) + L" (access denied)";
    }
    return std::wstring(kUnknownWord) + L" (error " + std::to_wstring(code) + L")";
}

std::wstring UnknownTooltip(reg::Status code) {
    std::wstring why = win32::SystemMessage(static_cast<DWORD>(code));
    return L"Kelvane could not read this protection's value, so it cannot tell whether the "
           L"protection is on: " +
           why;
}

} // namespace

void DrawSwitchState(ui::Form& form, Switch which, const protection::SwitchState& state) {
    const Block& block = BlockOf(which);
    for (const int image : block.images) {
        Run(block, [&] { form.SetVisible(image, false); });
    }
    if (!state.reads.empty()) {
        const std::string text = state.reads.back().Text(); // digits, "-" or "Error"
        Run(block, [&] { form.SetText(M::txtRegValue, win32::Widened(text)); });
    }
    const std::optional<OnOff> known = state.Known();
    if (!known) {
        Run(block, [&] { form.SetText(block.label, UnknownLabel(state.error)); });
        Run(block, [&] { form.SetColor(block.label, kUnknownColour); });
        Run(block, [&] { form.SetTooltip(block.label, UnknownTooltip(state.error)); });
        Run(block, [&] { form.SetVisible(block.unknownImage, true); });
        Run(block, [&] { form.SetText(block.button, block.protectionOff.button); });
        return;
    }
    const Display& shown = block.For(*known);
    Run(block, [&] { form.SetText(block.label, shown.word); });
    Run(block, [&] { form.SetColor(block.label, shown.colour); });
    Run(block, [&] { form.SetTooltip(block.label, L""); });
    Run(block, [&] { form.SetVisible(shown.image, true); });
    Run(block, [&] { form.SetText(block.button, shown.button); });
}

OnOff OfferedChange(const protection::SwitchState& state) {
    return state.Known() == OnOff::On ? OnOff::Off : OnOff::On;
}

bool ReadCreatesKey(Switch which) {
    return BlockOf(which).readCreatesKey;
}

void ListReadErrors(ui::Form& form, Switch which, const protection::SwitchState& state) {
    const Block& block = BlockOf(which);
    for (const mdl::RegReadResult& read : state.reads) {
        Run(block, [&] { ListError(form, read.result()); });
    }
}

void ListWriteErrors(ui::Form& form, const protection::WriteResult& written) {
    for (const protection::ValueWrite& value : written.values) {
        ListError(form, value.created);
        ListError(form, value.stored);
    }
}

} // namespace kv::app
