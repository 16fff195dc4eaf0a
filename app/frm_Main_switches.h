#pragma once
// The main window's three switch blocks: what each shows for a switch's state, and which
// change its button asks for. The state itself comes from protection/; a block only
// consumes it. The button's caption names the action that leads to the other state, so a
// click takes the change it asks for from the caption, compared exactly ("&" included).

#include "protection/switches.h"
#include "ui/form.h"

#include <optional>

namespace kv::app {

// The switch buttons' captions, also their texts at start in the window's design.
inline constexpr wchar_t kEnableCaption[] = L"&Enable";
inline constexpr wchar_t kDisableCaption[] = L"&Disable";
inline constexpr wchar_t kLockCaption[] = L"&Lock";
inline constexpr wchar_t kUnlockCaption[] = L"&Unlock";

// Shows the state in the switch's block: the hidden value box takes the text of the last
// value read, each failed read adds its line to the error list, the label, its colour,
// one of the two pictures and the button's caption follow the state. A write-protection or
// lock read that found no number creates the switch's key, so that the next click's write
// finds it. The autorun block goes on past a control that fails; the other two let the
// failure reach the caller.
void ShowSwitchState(ui::Form& form, protection::Switch which, const protection::SwitchState& state,
                     protection::Switches& switches);

// The change the block's button asks for, or nothing when its caption is neither action.
std::optional<protection::OnOff> AskedChange(const ui::Form& form, protection::Switch which);

// Adds the error lines of a write to the window's error list.
void ListWriteErrors(ui::Form& form, const protection::WriteResult& written);

} // namespace kv::app
