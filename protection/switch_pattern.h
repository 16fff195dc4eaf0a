#pragma once
// The pattern the three protection switches share: what a block shows in one state, how a
// read hides and shows the status controls, and how a click picks the value to write from
// the button's caption. The switches themselves (switches.cpp) only describe their values.

#include "protection/switch_view.h"
#include "registry/mdl_RegFunctions.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv::protection {

// The colour goes with the word, not with whether a protection is on.
inline constexpr Rgb kGreen{0, 128, 0};
inline constexpr Rgb kRed{192, 0, 0};

// One state of a block. The button names the action that leads to the other state.
struct Display {
    std::wstring_view word;
    Rgb colour;
    StatusImage image;
    std::wstring_view button;

    bool operator==(const Display&) const = default;
};

// A click on a button reading `caption` writes `value`.
struct Action {
    std::wstring_view caption;
    std::int32_t value;
};

// The numeric test on txtRegValue: the whole text is an optional "-" and decimal digits
// within the signed 32-bit range. "Error" and "" (no usable read) are not numbers.
std::optional<std::int32_t> NumberFromText(std::wstring_view text);

// A read result as txtRegValue holds it: "", "Error" or the signed decimal number.
std::wstring WideText(const reg::mdl_RegFunctions::RegReadResult& result);

// How a read treats a view step that throws.
enum class OnStepFailure { Propagate, Continue };

class Steps {
public:
    explicit Steps(OnStepFailure onFailure) : onFailure_(onFailure) {}

    template <class Step> void operator()(Step&& step) const {
        if (onFailure_ == OnStepFailure::Propagate) {
            step();
            return;
        }
        try {
            step();
        } catch (...) {
            // A control that refuses one property must not keep the rest of the block
            // from showing the state.
        }
    }

private:
    OnStepFailure onFailure_;
};

// Hides both status images, in the given order.
void HideImages(SwitchView& view, const std::array<StatusImage, 2>& order, const Steps& step);

// Where the image comes among the steps that show a state.
enum class ShowOrder { LabelFirst, ImageFirst };

// Label caption, label colour and button caption always in this order; the image before
// or after the label.
void Show(SwitchView& view, const Display& display, ShowOrder order, const Steps& step);

// The value of the first action whose caption equals the button's whole caption (exact,
// case-sensitive); the caption is read afresh for each comparison. None for any other text.
std::optional<std::int32_t> ValueForCaption(const SwitchView& view,
                                            const std::array<Action, 2>& actions);

} // namespace kv::protection
