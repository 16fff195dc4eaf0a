#pragma once
// What a protection switch needs of the main window: the controls of its own block and the
// shared hidden text box txtRegValue. The switches keep no state of their own; the button's
// caption is the state, so every decision is taken from what this view reports.
//
// Any operation may throw (a control that refuses a property). The write-protection and
// lock operations let that reach their caller; the autorun read drops the failing step and
// goes on with the next one.

#include <cstdint>
#include <string>

namespace kv::protection {

// The two status pictures of a block, both on the same spot, named by the colour of the
// word they go with: Green is imgEnabled / imgUnLocked / imgUSBDeviceAREnabled, Red is
// imgDisabled / imgLocked / imgUSBDeviceARDisabled.
enum class StatusImage { Green, Red };

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

class SwitchView {
public:
    virtual ~SwitchView() = default;

    virtual void SetImageVisible(StatusImage image, bool visible) = 0;
    // The status label: its caption and, as a separate step, its text colour.
    virtual void SetStatusCaption(const std::wstring& caption) = 0;
    virtual void SetStatusColour(Rgb colour) = 0;
    // The switch button's caption, exactly as shown, access-key "&" included.
    virtual std::wstring ButtonCaption() const = 0;
    virtual void SetButtonCaption(const std::wstring& caption) = 0;
    // txtRegValue, shared by the three blocks.
    virtual void SetRegValueText(const std::wstring& text) = 0;
    virtual std::wstring RegValueText() const = 0;
};

} // namespace kv::protection
