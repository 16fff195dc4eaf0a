// The typed state of each switch for every kind of thing the registry can hold there: the
// one decision that the window and the command line both show.

#include "protection/switches.h"
#include "tests/protection/switch_keys.h"
#include "tests/support/registry/reg_memory.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <optional>

namespace kv::protection::testing {
namespace {

using Kind = SwitchState::Kind;
using kv::test::MemoryRegistry;
using kv::test::RegCall;

// One thing a value's place can hold: seeds it under (root, key, name).
struct Held {
    const char* what;
    std::function<void(MemoryRegistry&, reg::RootValue, const std::string&, const std::string&)>
        seed;
};

Held Dword(const char* what, std::uint32_t value) {
    return {what, [value](MemoryRegistry& r, reg::RootValue root, const std::string& key,
                          const std::string& name) {
                r.SetDWord(root, key, name, value);
            }};
}

Held Failing(const char* what, RegCall call, reg::Status code) {
    return {what, [call, code](MemoryRegistry& r, reg::RootValue root, const std::string& key,
                               const std::string& name) {
                r.SetDWord(root, key, name, 1);
                r.InjectFault({.call = call, .result = code, .root = root, .subKey = key});
            }};
}

struct Row {
    Held held;
    Kind writeProtect, usbLock, autorun;
    reg::Status error = 0; // of an unreadable value
};

const Row kRows[] = {
    {{"no key",
      [](auto&, auto, auto&, auto&) {
      }},
     Kind::Missing,
     Kind::Missing,
     Kind::Missing},
    {{"no value",
      [](MemoryRegistry& r, reg::RootValue root, const std::string& key, const std::string&) {
          r.SetDWord(root, key, "Other", 1);
      }},
     Kind::Missing,
     Kind::Missing,
     Kind::Missing},
    {Dword("0", 0), Kind::ProtectionOff, Kind::ProtectionOff, Kind::ProtectionOff},
    {Dword("1", 1), Kind::ProtectionOn, Kind::ProtectionOff, Kind::ProtectionOff},
    {Dword("2", 2), Kind::ProtectionOff, Kind::ProtectionOff, Kind::ProtectionOff},
    {Dword("3", 3), Kind::ProtectionOff, Kind::ProtectionOff, Kind::ProtectionOff},
    {Dword("4", 4), Kind::ProtectionOff, Kind::ProtectionOn, Kind::ProtectionOff},
    {Dword("145", 145), Kind::ProtectionOff, Kind::ProtectionOff, Kind::ProtectionOff},
    {Dword("255", 255), Kind::ProtectionOff, Kind::ProtectionOff, Kind::ProtectionOn},
    {Dword("all bits", 0xFFFFFFFF), Kind::ProtectionOff, Kind::ProtectionOff, Kind::ProtectionOff},
    // A value of another type is read as its first bytes, as the registry module reads it.
    {{"short text",
      [](MemoryRegistry& r, reg::RootValue root, const std::string& key, const std::string& name) {
          r.SetString(root, key, name, "a");
      }},
     Kind::ProtectionOff,
     Kind::ProtectionOff,
     Kind::ProtectionOff},
    {{"binary 1",
      [](MemoryRegistry& r, reg::RootValue root, const std::string& key, const std::string& name) {
          r.SetValue(root, key, name, reg::kRegBinary, {1, 0, 0, 0});
      }},
     Kind::ProtectionOn,
     Kind::ProtectionOff,
     Kind::ProtectionOff},
    {{"long text",
      [](MemoryRegistry& r, reg::RootValue root, const std::string& key, const std::string& name) {
          r.SetString(root, key, name, "longer than four");
      }},
     Kind::Unreadable,
     Kind::Unreadable,
     Kind::Unreadable,
     234},
    {Failing("open denied", RegCall::OpenKeyEx, 5), Kind::Unreadable, Kind::Unreadable,
     Kind::Unreadable, 5},
    {Failing("hive corrupt", RegCall::QueryValueEx, 1015), Kind::Unreadable, Kind::Unreadable,
     Kind::Unreadable, 1015},
};

class StateTable : public ::testing::TestWithParam<Row> {
protected:
    SwitchState Read(Switch which) { return Switches(registry).Read(which); }
    void Check(Switch which, const SwitchState& state, Kind expected) {
        SCOPED_TRACE(static_cast<int>(which));
        EXPECT_EQ(state.kind, expected);
        EXPECT_EQ(state.error, expected == Kind::Unreadable ? GetParam().error : 0);
        for (const auto& read : state.reads) {
            // A failed read carries the line the window lists for it.
            EXPECT_EQ(read.form() == reg::mdl_RegFunctions::RegReadResult::Form::Error,
                      read.result().errorLine.has_value());
        }
    }

    MemoryRegistry registry;
};

TEST_P(StateTable, EachSwitchReadsWhatItsValueMeans) {
    const Row& row = GetParam();
    row.held.seed(registry, kHklm, kPolicies, "WriteProtect");
    row.held.seed(registry, kHklm, kUsbStor, "Start");
    Check(Switch::WriteProtect, Read(Switch::WriteProtect), row.writeProtect);
    Check(Switch::UsbLock, Read(Switch::UsbLock), row.usbLock);
    // Autorun: the value in either key alone, the other missing.
    for (const reg::RootValue root : {kHklm, kHkcu}) {
        MemoryRegistry fresh;
        row.held.seed(fresh, root, kExplorer, kAutorunName);
        const SwitchState state = Switches(fresh).Read(Switch::Autorun);
        Check(Switch::Autorun, state, row.autorun);
        EXPECT_EQ(state.reads.size(), 2u);
        EXPECT_EQ(fresh.OpenKeyCount(), 0u);
    }
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
    for (const auto& call : registry.Calls()) {
        EXPECT_TRUE(call.call != RegCall::CreateKey && call.call != RegCall::SetValueEx)
            << "a read changes nothing";
    }
}

INSTANTIATE_TEST_SUITE_P(Held, StateTable, ::testing::ValuesIn(kRows), [](const auto& param) {
    std::string name = param.param.held.what;
    for (char& c : name) {
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
});

// Autorun's two values together: suppressed as soon as one says so, unknown while one
// that might say so cannot be read.
TEST(AutorunState, EitherValueSuppressesAndAnUnreadableOneHidesAllowed) {
    struct Case {
        std::optional<std::uint32_t> machine, user;
        bool machineUnreadable;
        Kind expected;
    };
    const Case cases[] = {
        {255, 0, false, Kind::ProtectionOn},
        {0, 255, false, Kind::ProtectionOn},
        {0, 145, false, Kind::ProtectionOff},
        {std::nullopt, 0, false, Kind::ProtectionOff},
        {std::nullopt, std::nullopt, false, Kind::Missing},
        {1, 255, true, Kind::ProtectionOn},
        {1, 0, true, Kind::Unreadable},
        {1, std::nullopt, true, Kind::Unreadable},
    };
    for (const Case& c : cases) {
        MemoryRegistry registry;
        if (c.machine) {
            registry.SetDWord(kHklm, kExplorer, kAutorunName, *c.machine);
        }
        if (c.user) {
            registry.SetDWord(kHkcu, kExplorer, kAutorunName, *c.user);
        }
        if (c.machineUnreadable) {
            registry.InjectFault({.call = RegCall::QueryValueEx, .result = 5, .root = kHklm});
        }
        const SwitchState state = Switches(registry).Read(Switch::Autorun);
        EXPECT_EQ(state.kind, c.expected)
            << c.machine.value_or(99) << " " << c.user.value_or(99) << " " << c.machineUnreadable;
    }
}

TEST(SwitchStateMeaning, MissingProtectsNothingAndUnreadableIsUnknown) {
    const auto of = [](Kind kind) {
        return SwitchState{kind, 0, {}};
    };
    EXPECT_EQ(of(Kind::ProtectionOn).Known(), OnOff::On);
    EXPECT_EQ(of(Kind::ProtectionOff).Known(), OnOff::Off);
    EXPECT_EQ(of(Kind::Missing).Known(), OnOff::Off);
    EXPECT_EQ(of(Kind::Unreadable).Known(), std::nullopt);
}

} // namespace
} // namespace kv::protection::testing
