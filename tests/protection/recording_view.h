#pragma once
// A switch block for tests: it keeps the controls' state, records every step in a log
// shared with the registry (so the order of view steps and registry calls can be checked
// together), and can make one step throw, as a control refusing a property would.

#include "protection/switch_view.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace kv::protection::testing {

inline std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

class RecordingView : public SwitchView {
public:
    explicit RecordingView(std::vector<std::string>& log) : log_(log) {}

    // The view's step with this number (counting from 0) throws instead of acting.
    int failStep = -1;

    // The controls as a fresh main window shows them.
    bool greenVisible = true;
    bool redVisible = true;
    std::wstring caption = L"Caption";
    Rgb colour{1, 2, 3};
    std::wstring button = L"Button";
    std::wstring regValue = L"Text1";

    void SetImageVisible(StatusImage image, bool visible) override {
        Step(std::string(visible ? "show " : "hide ") +
             (image == StatusImage::Green ? "green" : "red"));
        (image == StatusImage::Green ? greenVisible : redVisible) = visible;
    }
    void SetStatusCaption(const std::wstring& text) override {
        Step("label " + Narrow(text));
        caption = text;
    }
    void SetStatusColour(Rgb rgb) override {
        Step("colour " + std::to_string(rgb.red) + "," + std::to_string(rgb.green) + "," +
             std::to_string(rgb.blue));
        colour = rgb;
    }
    std::wstring ButtonCaption() const override {
        Step("button?");
        return button;
    }
    void SetButtonCaption(const std::wstring& text) override {
        Step("button " + Narrow(text));
        button = text;
    }
    void SetRegValueText(const std::wstring& text) override {
        Step("text " + Narrow(text));
        regValue = text;
    }
    std::wstring RegValueText() const override {
        Step("text?");
        return regValue;
    }

private:
    void Step(const std::string& entry) const {
        if (steps_++ == failStep) {
            log_.push_back("failed " + entry);
            throw std::runtime_error("control refused: " + entry);
        }
        log_.push_back(entry);
    }

    std::vector<std::string>& log_;
    mutable int steps_ = 0;
};

} // namespace kv::protection::testing
