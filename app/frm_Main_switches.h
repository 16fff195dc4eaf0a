#pragma once
// The main window's three switch blocks: what each shows for the state the window holds,
// and which change its button offers. The state itself is read by protection/ and held by
// the window; a block only draws it.

#include "protection/switches.h"
#include "ui/form.h"

namespace kv::app {

// The switch buttons' captions, also their texts at start in the window's design.
inline constexpr wchar_t kEnableCaption[] = L"&Enable";
inline constexpr wchar_t kDisableCaption[] = L"&Disable";
inline constexpr wchar_t kLockCaption[] = L"&Lock";
inline constexpr wchar_t kUnlockCaption[] = L"&Unlock";

// The word a block shows for a value it cannot read: neither state's word.
inline constexpr wchar_t kUnknownWord[] = L"Unknown";

// Draws the state in the switch's block and nothing else: the hidden value box takes the
// text of the last value read; the label, its colour and tooltip, one of the pictures and
// the button's caption follow the state. A state that cannot be known shows "Unknown",
// why, and the button that turns the protection on. The autorun block goes on past a
// control that fails; the other two let the failure reach the caller.
void DrawSwitchState(ui::Form& form, protection::Switch which,
                     const protection::SwitchState& state);

// The change the block's button offers for the state: the other state, or, when the state
// cannot be known, the protective one.
protection::OnOff OfferedChange(const protection::SwitchState& state);

// Whether the window's read makes the switch's key when it found no number, so that the
// next click's write finds it (write protection and the lock; not autorun).
bool ReadCreatesKey(protection::Switch which);

// Add the error lines of a read or a write to the window's error list.
void ListReadErrors(ui::Form& form, protection::Switch which, const protection::SwitchState& state);
void ListWriteErrors(ui::Form& form, const protection::WriteResult& written);

} // namespace kv::app
