// Which of Windows' removable-storage policy values the second layer adds and takes away
// for each protection, what it records as its own, and what it never touches.

#include "protection/windows_policy.h"
#include "tests/support/registry/reg_memory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv::protection::testing {
namespace {

using kv::test::Fault;
using kv::test::MemoryRegistry;
using kv::test::RegCall;

constexpr reg::RootValue kHklm = reg::kHkeyLocalMachine;
const std::string kPolicyRoot = "SOFTWARE\\Policies\\Microsoft\\Windows\\RemovableStorageDevices";
const std::string kRecords = "SOFTWARE\\Kelvane\\WindowsPolicy";
const std::string kDisk = "{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}";
const std::string kWpd1 = "{6AC27878-A6FA-4155-BA85-F98F491D4F33}";
const std::string kWpd2 = "{F33FDC04-D1AC-4E8E-9A30-19BBD4B108AE}";
constexpr std::int64_t kAt = 134100000000000000; // some FILETIME in 2025

struct Val {
    std::string deviceClass;
    std::string name;
};

std::optional<std::uint32_t> Get(const MemoryRegistry& r, const Val& v) {
    return r.GetDWord(kHklm, kPolicyRoot + "\\" + v.deviceClass, v.name);
}

void Seed(MemoryRegistry& r, const Val& v, std::uint32_t number) {
    r.SetDWord(kHklm, kPolicyRoot + "\\" + v.deviceClass, v.name, number);
}

// Every value of both layers, and which protection uses it.
const std::vector<Val> kWrites{{kDisk, "Deny_Write"}, {kWpd1, "Deny_Write"}, {kWpd2, "Deny_Write"}};
const std::vector<Val> kReads{{kDisk, "Deny_Read"}, {kWpd1, "Deny_Read"}, {kWpd2, "Deny_Read"}};

struct Layer {
    MemoryRegistry registry;
    int applied = 0;
    bool systemOnUsb = false;
    WindowsPolicyLayer layer{registry,
                             {[this] { return std::optional<bool>(systemOnUsb); },
                              [this] {
                                  ++applied;
                                  return true;
                              },
                              [] {
                                  return kAt;
                              }}};
};

TEST(WindowsPolicyLayer, AddsAndRemovesEachProtectionsValuesOnly) {
    struct Case {
        Switch which;
        std::vector<Val> set;
        std::vector<Val> untouched;
    };
    const Case cases[] = {
        {Switch::WriteProtect, kWrites, kReads},
        {Switch::UsbLock,
         {kReads[0], kWrites[0], kReads[1], kWrites[1], kReads[2], kWrites[2]},
         {}},
        {Switch::Autorun, {}, {kReads[0], kWrites[0]}},
    };
    for (const Case& c : cases) {
        Layer l;
        const LayerChange added = l.layer.Add(c.which);
        EXPECT_TRUE(added.Done());
        EXPECT_EQ(added.added.size(), c.set.size());
        for (const Val& v : c.set) {
            EXPECT_EQ(Get(l.registry, v), 1u) << v.deviceClass << v.name;
        }
        for (const Val& v : c.untouched) {
            EXPECT_FALSE(Get(l.registry, v)) << v.deviceClass << v.name;
        }
        const LayerFacts facts = l.layer.Read(c.which).Facts();
        EXPECT_EQ(facts.set, !c.set.empty());
        EXPECT_EQ(facts.setByKelvane, !c.set.empty());
        EXPECT_EQ(facts.setAt, c.set.empty() ? std::nullopt : std::optional(kAt));
        EXPECT_EQ(l.applied, c.set.empty() ? 0 : 1);

        const LayerChange removed = l.layer.Remove(c.which);
        EXPECT_TRUE(removed.Done());
        EXPECT_EQ(removed.removed.size(), c.set.size());
        for (const Val& v : c.set) {
            EXPECT_FALSE(Get(l.registry, v)) << v.deviceClass << v.name;
        }
        EXPECT_EQ(l.layer.Read(c.which).Facts(), LayerFacts{});
        EXPECT_EQ(l.registry.OpenKeyCount(), 0u);
    }
}

TEST(WindowsPolicyLayer, TheSharedDenyWriteStaysWhileEitherProtectionKeepsIt) {
    struct Case {
        const char* what;
        Switch first, second, offFirst;
        bool writeStays; // after offFirst is switched off, the other still on
    };
    const Case cases[] = {
        {"lock then write, lock off", Switch::UsbLock, Switch::WriteProtect, Switch::UsbLock, true},
        {"lock then write, write off", Switch::UsbLock, Switch::WriteProtect, Switch::WriteProtect,
         true},
        {"write then lock, write off", Switch::WriteProtect, Switch::UsbLock, Switch::WriteProtect,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Layer l;
        ASSERT_TRUE(l.layer.Add(c.first).Done());
        ASSERT_TRUE(l.layer.Add(c.second).Done());
        EXPECT_TRUE(l.layer.Read(c.second).Facts().setByKelvane);

        ASSERT_TRUE(l.layer.Remove(c.offFirst).Done());
        for (const Val& v : kWrites) {
            EXPECT_EQ(Get(l.registry, v).has_value(), c.writeStays);
        }
        const bool lockStillOn = c.offFirst != Switch::UsbLock;
        for (const Val& v : kReads) {
            EXPECT_EQ(Get(l.registry, v).has_value(), lockStillOn);
        }
        const Switch other = c.offFirst == c.first ? c.second : c.first;
        EXPECT_TRUE(l.layer.Read(other).Facts().setByKelvane);

        ASSERT_TRUE(l.layer.Remove(other).Done());
        for (const Val& v : kWrites) {
            EXPECT_FALSE(Get(l.registry, v));
        }
    }
}

TEST(WindowsPolicyLayer, ValuesThatAreNotKelvanesAreNeitherClaimedNorRemoved) {
    struct Case {
        const char* what;
        Val seeded;
        std::uint32_t number;
        bool seedAfterAdd; // changed after Kelvane set it
        LayerChange::Outcome outcome;
        std::size_t added;
        LayerFacts facts; // after Add
    };
    const Case cases[] = {
        {"set by Group Policy",
         kWrites[0],
         1,
         false,
         LayerChange::Outcome::Done,
         2,
         {true, false, std::nullopt}},
        {"phones allowed by an administrator",
         kWrites[1],
         0,
         false,
         LayerChange::Outcome::OverridesOutside,
         1,
         {true, true, kAt}},
        {"changed since", kWrites[0], 0, true, LayerChange::Outcome::Done, 3, {true, true, kAt}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Layer l;
        if (!c.seedAfterAdd) {
            Seed(l.registry, c.seeded, c.number);
        }
        const LayerChange added = l.layer.Add(Switch::WriteProtect);
        EXPECT_EQ(added.outcome, c.outcome);
        EXPECT_EQ(added.added.size(), c.added);
        EXPECT_EQ(l.layer.Read(Switch::WriteProtect).Facts(), c.facts);
        if (c.seedAfterAdd) {
            Seed(l.registry, c.seeded, c.number);
        }
        EXPECT_TRUE(l.layer.Remove(Switch::WriteProtect).Done());
        for (const Val& v : kWrites) {
            const bool seeded = v.deviceClass == c.seeded.deviceClass;
            EXPECT_EQ(Get(l.registry, v), seeded ? std::optional(c.number) : std::nullopt);
        }
        EXPECT_FALSE(l.registry.GetValue(kHklm, kRecords, "WriteProtect " + kDisk + " Deny_Write"));
    }
}

TEST(WindowsPolicyLayer, NothingIsShownAsAddedThatIsNot) {
    struct Case {
        const char* what;
        Fault fault;
        LayerChange::Outcome outcome;
        bool refused;
    };
    const Case cases[] = {
        {"policy key refused",
         {.call = RegCall::CreateKey, .result = 5},
         LayerChange::Outcome::Failed,
         true},
        {"policy store refused",
         {.call = RegCall::SetValueEx, .result = 5, .valueName = "Deny_Write"},
         LayerChange::Outcome::Failed,
         true},
        {"record refused",
         {.call = RegCall::SetValueEx, .result = 5, .subKey = kRecords},
         LayerChange::Outcome::Failed,
         true},
        {"policy store fails otherwise",
         {.call = RegCall::SetValueEx, .result = 1009, .valueName = "Deny_Write"},
         LayerChange::Outcome::Failed,
         false},
        {"read back fails",
         {.call = RegCall::QueryValueEx, .result = 1015, .valueName = "Deny_Write", .times = 1},
         LayerChange::Outcome::NotReadBack,
         false},
        {"read back differs",
         {.call = RegCall::QueryValueEx, .result = 2, .valueName = "Deny_Write", .times = 1},
         LayerChange::Outcome::NotReadBack,
         false},
        {"a value there cannot be read",
         {.call = RegCall::OpenKeyEx, .result = 5, .subKey = kPolicyRoot + "\\" + kDisk},
         LayerChange::Outcome::Failed,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Layer l;
        l.registry.InjectFault(c.fault);
        const LayerChange added = l.layer.Add(Switch::WriteProtect);
        EXPECT_EQ(added.outcome, c.outcome);
        EXPECT_EQ(added.Refused(), c.refused);
        EXPECT_TRUE(added.added.empty());
        EXPECT_EQ(l.applied, 0);
        l.registry.ClearFaults();
        const LayerState state = l.layer.Read(Switch::WriteProtect);
        for (const PolicyValueState& v : state.values) {
            EXPECT_FALSE(v.byKelvane);
            EXPECT_FALSE(v.set) << "left behind unrecorded";
        }
        EXPECT_EQ(l.registry.OpenKeyCount(), 0u);
    }
}

TEST(WindowsPolicyLayer, ARefusedRemovalKeepsTheRecordSoItCanBeTriedAgain) {
    Layer l;
    ASSERT_TRUE(l.layer.Add(Switch::WriteProtect).Done());
    l.registry.InjectFault({.call = RegCall::DeleteValue, .result = 5});
    const LayerChange removed = l.layer.Remove(Switch::WriteProtect);
    EXPECT_TRUE(removed.Refused());
    EXPECT_TRUE(l.layer.Read(Switch::WriteProtect).Facts().setByKelvane);
    l.registry.ClearFaults();
    EXPECT_EQ(l.layer.Remove(Switch::WriteProtect).removed.size(), 3u);
}

TEST(WindowsPolicyLayer, RefusedWhenWindowsRunsFromAHotPlugDrive) {
    Layer l;
    l.systemOnUsb = true;
    const LayerChange added = l.layer.Add(Switch::UsbLock);
    EXPECT_EQ(added.outcome, LayerChange::Outcome::SystemOnHotPlug);
    EXPECT_TRUE(l.registry.Calls().empty());
}

TEST(WindowsPolicyLayer, DenyAllSetsEveryProtectionButIsNeverKelvanes) {
    Layer l;
    l.registry.SetDWord(kHklm, kPolicyRoot, "Deny_All", 1);
    for (Switch which : {Switch::WriteProtect, Switch::UsbLock}) {
        EXPECT_EQ(l.layer.Read(which).Facts(), (LayerFacts{true, false, std::nullopt}));
    }
}

TEST(WindowsPolicyLayer, TimesReadAsUtc) {
    struct Case {
        std::int64_t fileTime;
        const char* text;
    };
    const Case cases[] = {
        {116444736000000000, "1970-01-01T00:00:00Z"},
        {116444736000000000 + 951782400LL * 10000000 + 10000000 - 1, "2000-02-29T00:00:00Z"},
        {133485407990000000, "2023-12-31T23:59:59Z"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Iso8601Utc(c.fileTime), c.text);
    }
    EXPECT_GT(FileTimeNow(), 133463999990000000);
}

} // namespace
} // namespace kv::protection::testing
