#pragma once
// What the switch tests share: the in-memory registry behind a layer that enters key
// creations and writes into the same log as the view's steps, and the error list.

#include "protection/switch_view.h"
#include "protection/switches.h"
#include "registry/mdl_RegFunctions.h"
#include "tests/support/registry/reg_memory.h"
#include "tests/protection/recording_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kv::protection::testing {

inline constexpr reg::RootValue kHklm = reg::kHkeyLocalMachine;
inline constexpr reg::RootValue kHkcu = reg::kHkeyCurrentUser;
inline const std::string kPolicies = "SYSTEM\\CurrentControlSet\\Control\\StorageDevicePolicies";
inline const std::string kUsbStor = "SYSTEM\\CurrentControlSet\\services\\USBSTOR";
inline const std::string kExplorer =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

inline constexpr Rgb kGreenRgb{0, 128, 0};
inline constexpr Rgb kRedRgb{192, 0, 0};

// What a block shows after a read.
struct Shown {
    const wchar_t* word;
    Rgb colour;
    StatusImage image;
    const wchar_t* button;
};

// One switch as the main window calls it.
struct SwitchOps {
    const char* name;
    Switch which;
    void read(SwitchView& view) const { ReadSwitch(which, view); }
    void click(SwitchView& view) const { ToggleSwitch(which, view); }
};
inline const SwitchOps kWriteProtect{"WriteProtect", Switch::WriteProtect};
inline const SwitchOps kLock{"Lock", Switch::UsbLock};
inline const SwitchOps kAutorun{"Autorun", Switch::Autorun};

// Passes every call on; creations and writes also go into the shared log.
class LoggingRegistry : public reg::RegistryApi {
public:
    LoggingRegistry(reg::RegistryApi& inner, std::vector<std::string>& log)
        : inner_(inner), log_(log) {}

    reg::Status OpenKeyEx(reg::RootValue root, const std::string& subKey, std::uint32_t options,
                          std::uint32_t access, reg::HandleValue& key) override {
        return inner_.OpenKeyEx(root, subKey, options, access, key);
    }
    reg::Status CreateKey(reg::RootValue root, const std::string& subKey,
                          reg::HandleValue& key) override {
        log_.push_back("create " + kv::test::RootName(root) + "\\" + subKey);
        return inner_.CreateKey(root, subKey, key);
    }
    reg::Status QueryValueEx(reg::HandleValue key, const std::string& name, std::uint32_t& type,
                             void* data, std::uint32_t& size) override {
        return inner_.QueryValueEx(key, name, type, data, size);
    }
    reg::Status SetValueEx(reg::HandleValue key, const std::string& name, std::uint32_t type,
                           const void* data, std::uint32_t size) override {
        std::int32_t value = 0;
        std::memcpy(&value, data, sizeof value);
        log_.push_back("set " + name + " " + std::to_string(value));
        return inner_.SetValueEx(key, name, type, data, size);
    }
    reg::Status CloseKey(reg::HandleValue key) override { return inner_.CloseKey(key); }

private:
    reg::RegistryApi& inner_;
    std::vector<std::string>& log_;
};

class SwitchTest : public ::testing::Test {
protected:
    SwitchTest() {
        kv::reg::mdl_RegFunctions::ResetStateForTesting();
        kv::reg::mdl_RegFunctions::SetRegistryApi(&logging_);
        kv::reg::mdl_RegFunctions::SetErrorSink(
            [this](const std::string& line) { errors.push_back(line); });
    }
    ~SwitchTest() override {
        kv::reg::mdl_RegFunctions::SetErrorSink(nullptr);
        kv::reg::mdl_RegFunctions::SetRegistryApi(nullptr);
    }

    void ExpectShown(const Shown& shown) const {
        EXPECT_EQ(view.caption, shown.word);
        EXPECT_EQ(view.colour, shown.colour);
        EXPECT_EQ(view.button, shown.button);
        // Exactly one of the two pictures on the shared spot.
        EXPECT_EQ(view.greenVisible, shown.image == StatusImage::Green);
        EXPECT_EQ(view.redVisible, shown.image == StatusImage::Red);
    }
    std::size_t Count(const std::string& entry) const {
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), entry));
    }

    std::vector<std::string> log;
    std::vector<std::string> errors;
    kv::test::MemoryRegistry registry;
    RecordingView view{log};

private:
    LoggingRegistry logging_{registry, log};
};

} // namespace kv::protection::testing
