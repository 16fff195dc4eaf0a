#include "protection/switch_pattern.h"

#include <limits>

namespace kv::protection {

std::optional<std::int32_t> NumberFromText(std::wstring_view text) {
    const bool negative = !text.empty() && text.front() == L'-';
    if (negative) {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    // Accumulate as a magnitude so INT32_MIN, whose magnitude has no positive
    // counterpart, still converts.
    const std::int64_t limit =
        negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                 : std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + (c - L'0');
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::wstring WideText(const reg::mdl_RegFunctions::RegReadResult& result) {
    // Digits, "-" and "Error": plain ASCII, so widening each character is exact.
    const std::string text = result.Text();
    return std::wstring(text.begin(), text.end());
}

void HideImages(SwitchView& view, const std::array<StatusImage, 2>& order, const Steps& step) {
    for (const StatusImage image : order) {
        step([&] { view.SetImageVisible(image, false); });
    }
}

void Show(SwitchView& view, const Display& display, ShowOrder order, const Steps& step) {
    const auto showImage = [&] {
        step([&] { view.SetImageVisible(display.image, true); });
    };
    if (order == ShowOrder::ImageFirst) {
        showImage();
    }
    step([&] { view.SetStatusCaption(std::wstring(display.word)); });
    step([&] { view.SetStatusColour(display.colour); });
    if (order == ShowOrder::LabelFirst) {
        showImage();
    }
    step([&] { view.SetButtonCaption(std::wstring(display.button)); });
}

std::optional<std::int32_t> ValueForCaption(const SwitchView& view,
                                            const std::array<Action, 2>& actions) {
    for (const Action& action : actions) {
        if (view.ButtonCaption() == action.caption) {
            return action.value;
        }
    }
    return std::nullopt;
}

} // namespace kv::protection
