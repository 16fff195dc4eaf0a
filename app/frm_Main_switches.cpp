#include "app/frm_Main_switches.h"

#include "app/frm_Main_ids.h"
#include "protection/switch_words.h"
#include "win32/text.h"

#include <windows.h>

#include <string>

namespace kv::app {
namespace {

using protection::OnOff;
using protection::Switch;
namespace mdl = reg::mdl_RegFunctions;

// What a block shows in one state. The colour goes with the word, not with whether a
// protection is on.
struct Display {
    const wchar_t* word;
    ui::Rgb colour;
    int image;
    const wchar_t* button; // the action that leads to the other state
};

struct Block {
    int label, button, greenImage, redImage;
    Display protectionOn, protectionOff;
    bool readCreatesKey;   // the read makes the key when it found no number
    bool keepsGoingOnFail; // a failing control does not stop the rest of the block

    const Display& For(OnOff p) const { return p == OnOff::On ? protectionOn : protectionOff; }
};

using M = MainIds;
using protection::kAutorunWords;
using protection::kUsbLockWords;
using protection::kWriteProtectWords;

constexpr Block kWriteProtectBlock{
    M::lblStatus,
    M::cmdApply,
    M::imgEnabled,
    M::imgDisabled,
    {kWriteProtectWords.protectionOn, ui::kGreen, M::imgEnabled, kDisableCaption},
    {kWriteProtectWords.protectionOff, ui::kRed, M::imgDisabled, kEnableCaption},
    true,
    false,
};

constexpr Block kUsbLockBlock{
    M::lblUSBLockStatus,
    M::cmdLock,
    M::imgUnLocked,
    M::imgLocked,
    {kUsbLockWords.protectionOn, ui::kRed, M::imgLocked, kUnlockCaption},
    {kUsbLockWords.protectionOff, ui::kGreen, M::imgUnLocked, kLockCaption},
    true,
    false,
};

// Autorun suppressed is "Disabled"; its read creates no key and skips a failing step.
constexpr Block kAutorunBlock{
    M::lblUSBDeviceARStatus,
    M::cmdUSBAutorunControl,
    M::imgUSBDeviceAREnabled,
    M::imgUSBDeviceARDisabled,
    {kAutorunWords.protectionOn, ui::kRed, M::imgUSBDeviceARDisabled, kEnableCaption},
    {kAutorunWords.protectionOff, ui::kGreen, M::imgUSBDeviceAREnabled, kDisableCaption},
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

} // namespace

void ShowSwitchState(ui::Form& form, Switch which, const protection::SwitchState& state,
                     protection::Switches& switches) {
    const Block& block = BlockOf(which);
    Run(block, [&] { form.SetVisible(block.greenImage, false); });
    Run(block, [&] { form.SetVisible(block.redImage, false); });
    for (const mdl::RegReadResult& read : state.reads) {
        Run(block, [&] { ListError(form, read.result()); });
    }
    if (!state.reads.empty()) {
        const std::string text = state.reads.back().Text(); // digits, "-" or "Error"
        Run(block, [&] { form.SetText(M::txtRegValue, win32::Widened(text)); });
    }
    if (block.readCreatesKey && !state.reads.empty() &&
        state.reads.front().form() != mdl::RegReadResult::Form::Number) {
        switches.CreateKey(which); // its failure is silent, as every key creation
    }
    const Display& shown = block.For(state.Shown());
    Run(block, [&] { form.SetText(block.label, shown.word); });
    Run(block, [&] { form.SetColor(block.label, shown.colour); });
    Run(block, [&] { form.SetVisible(shown.image, true); });
    Run(block, [&] { form.SetText(block.button, shown.button); });
}

std::optional<OnOff> AskedChange(const ui::Form& form, Switch which) {
    const Block& block = BlockOf(which);
    const std::wstring caption = form.Text(block.button);
    for (const OnOff to : {OnOff::On, OnOff::Off}) {
        // The button shown in the other state leads to this one.
        const OnOff from = to == OnOff::On ? OnOff::Off : OnOff::On;
        if (caption == block.For(from).button) {
            return to;
        }
    }
    return std::nullopt;
}

void ListWriteErrors(ui::Form& form, const protection::WriteResult& written) {
    for (const protection::ValueWrite& value : written.values) {
        ListError(form, value.created);
        ListError(form, value.stored);
    }
}

} // namespace kv::app
