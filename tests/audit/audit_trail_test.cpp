// What each change writes to the audit trail: the event's id, level, category and the
// inserts its message shows, and that writing never fails a caller.

#include "audit/audit_trail.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace kv::audit {
namespace {

using protection::OnOff;
using protection::Switch;
using Inserts = std::vector<std::wstring>;

class Recorded {
public:
    Sink sink() {
        return [this](const Event& event) {
            events.push_back(event);
            return result;
        };
    }
    std::vector<Event> events;
    long result = 0;
};

TEST(AuditTrailTest, ProtectionChangeSaysWhatFromWhichStateToWhichAndTheResult) {
    struct Case {
        const char* what;
        Switch which;
        std::optional<OnOff> from;
        OnOff to;
        Origin origin;
        Outcome outcome;
        const wchar_t* why;
        EventId id;
        Level level;
        Inserts inserts;
    };
    const Case cases[] = {
        {"done at the window",
         Switch::WriteProtect,
         OnOff::Off,
         OnOff::On,
         Origin::Window,
         Outcome::Done,
         L"",
         EventId::ProtectionChanged,
         Level::Information,
         {L"USB Device Write Protection", L"Disabled", L"Enabled", L"Kelvane window", L"Done"}},
        // A reason given with a change that was done is not shown.
        {"done at the command line",
         Switch::UsbLock,
         OnOff::On,
         OnOff::Off,
         Origin::CommandLine,
         Outcome::Done,
         L"ignored",
         EventId::ProtectionChanged,
         Level::Information,
         {L"USB Device Lock", L"Locked", L"Unlocked", L"Kelvane command line", L"Done"}},
        // Autorun in the window's words: the protection on is autorun "Disabled".
        {"refused",
         Switch::Autorun,
         OnOff::Off,
         OnOff::On,
         Origin::Window,
         Outcome::Refused,
         L"Access is denied (error 5)",
         EventId::ProtectionRefused,
         Level::Warning,
         {L"USB Device Autorun", L"Enabled", L"Disabled", L"Kelvane window",
          L"Refused by Windows: Access is denied (error 5)"}},
        {"failed, state before unreadable",
         Switch::UsbLock,
         std::nullopt,
         OnOff::On,
         Origin::CommandLine,
         Outcome::Failed,
         L"The registry is corrupted (error 1015)",
         EventId::ProtectionFailed,
         Level::Error,
         {L"USB Device Lock", L"Unknown", L"Locked", L"Kelvane command line",
          L"Failed: The registry is corrupted (error 1015)"}},
        {"failed without a reason",
         Switch::WriteProtect,
         OnOff::On,
         OnOff::Off,
         Origin::Window,
         Outcome::Failed,
         L"",
         EventId::ProtectionFailed,
         Level::Error,
         {L"USB Device Write Protection", L"Enabled", L"Disabled", L"Kelvane window", L"Failed"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Recorded recorded;
        EXPECT_EQ(AuditTrail(recorded.sink(), c.origin)
                      .ProtectionChange(c.which, c.from, c.to, c.outcome, c.why),
                  0);
        ASSERT_EQ(recorded.events.size(), 1u);
        const Event& event = recorded.events[0];
        EXPECT_EQ(event.id, c.id);
        EXPECT_EQ(event.level, c.level);
        EXPECT_EQ(event.category, Category::Protection);
        EXPECT_EQ(event.inserts, c.inserts);
    }
}

TEST(AuditTrailTest, PolicyLayerAndPasswordEvents) {
    Recorded recorded;
    const AuditTrail window(recorded.sink(), Origin::Window);
    const AuditTrail commandLine(recorded.sink(), Origin::CommandLine);
    struct Case {
        const char* what;
        std::function<long()> write;
        EventId id;
        Level level;
        Category category;
        Inserts inserts;
    };
    const Case cases[] = {
        {"layer added",
         [&] { return window.PolicyLayer(LayerChange::Added, Outcome::Done); },
         EventId::PolicyLayerAdded,
         Level::Information,
         Category::Protection,
         {L"Add", L"Kelvane window", L"Done"}},
        {"layer removed",
         [&] { return commandLine.PolicyLayer(LayerChange::Removed, Outcome::Done); },
         EventId::PolicyLayerRemoved,
         Level::Information,
         Category::Protection,
         {L"Remove", L"Kelvane command line", L"Done"}},
        {"layer refused",
         [&] { return window.PolicyLayer(LayerChange::Added, Outcome::Refused, L"denied"); },
         EventId::PolicyLayerRefused,
         Level::Warning,
         Category::Protection,
         {L"Add", L"Kelvane window", L"Refused by Windows: denied"}},
        {"layer failed",
         [&] { return window.PolicyLayer(LayerChange::Removed, Outcome::Failed, L"busy"); },
         EventId::PolicyLayerFailed,
         Level::Error,
         Category::Protection,
         {L"Remove", L"Kelvane window", L"Failed: busy"}},
        {"the layer's own result: protection, values and outcome",
         [&] {
             protection::LayerChange added;
             added.added = {{protection::kRemovableDiskClass, "Deny_Write"},
                            {protection::kWpdClass, "Deny_Write"}};
             return window.Layer(Switch::WriteProtect, added, true);
         },
         EventId::PolicyLayerAdded,
         Level::Information,
         Category::Protection,
         {L"Add for USB Device Write Protection: {53f5630d-b6bf-11d0-94f2-00a0c91efb8b}"
          L"\\Deny_Write, {F33FDC04-D1AC-4E8E-9A30-19BBD4B108AE}\\Deny_Write",
          L"Kelvane window", L"Done"}},
        {"a layer refused on a machine that runs from USB",
         [&] {
             protection::LayerChange refused;
             refused.outcome = protection::LayerChange::Outcome::SystemOnHotPlug;
             return commandLine.Layer(Switch::UsbLock, refused, true);
         },
         EventId::PolicyLayerFailed,
         Level::Error,
         Category::Protection,
         {L"Add for USB Device Lock", L"Kelvane command line",
          L"Failed: Windows runs from a USB, SD, MMC or 1394 drive"}},
        {"password set",
         [&] { return window.Password(PasswordChange::Set, true); },
         EventId::PasswordSet,
         Level::Information,
         Category::Password,
         {L"Set", L"Kelvane window", L"Done"}},
        {"password changed",
         [&] { return window.Password(PasswordChange::Changed, true); },
         EventId::PasswordChanged,
         Level::Information,
         Category::Password,
         {L"Change", L"Kelvane window", L"Done"}},
        {"password removed",
         [&] { return window.Password(PasswordChange::Removed, true); },
         EventId::PasswordRemoved,
         Level::Information,
         Category::Password,
         {L"Remove", L"Kelvane window", L"Done"}},
        {"password not stored",
         [&] { return window.Password(PasswordChange::Changed, false, L"Access is denied"); },
         EventId::PasswordChangeFailed,
         Level::Error,
         Category::Password,
         {L"Change", L"Kelvane window", L"Failed: Access is denied"}},
        {"wrong password at the command line",
         [&] { return commandLine.PasswordCheckFailed(); },
         EventId::PasswordCheckFailed,
         Level::Warning,
         Category::Password,
         {L"Kelvane command line"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        recorded.events.clear();
        EXPECT_EQ(c.write(), 0);
        ASSERT_EQ(recorded.events.size(), 1u);
        EXPECT_EQ(recorded.events[0].id, c.id);
        EXPECT_EQ(recorded.events[0].level, c.level);
        EXPECT_EQ(recorded.events[0].category, c.category);
        EXPECT_EQ(recorded.events[0].inserts, c.inserts);
    }
}

TEST(AuditTrailTest, ASinkThatFailsOrThrowsNeverFailsTheCaller) {
    Recorded failing;
    failing.result = 1502; // the event log is full
    EXPECT_EQ(AuditTrail(failing.sink(), Origin::Window).PasswordCheckFailed(), 1502);

    const AuditTrail throwing([](const Event&) -> long { throw std::runtime_error("no"); },
                              Origin::CommandLine);
    EXPECT_NE(throwing.ProtectionChange(Switch::UsbLock, OnOff::Off, OnOff::On, Outcome::Done), 0);

    // No sink: nothing is written, and nothing is said to have failed.
    EXPECT_EQ(AuditTrail(nullptr, Origin::Window).PasswordCheckFailed(), 0);
}

TEST(AuditTrailTest, OutcomeOfAWriteFollowsTheRuleForARefusal) {
    using protection::ValueWrite;
    using Result = reg::mdl_RegFunctions::RegResult;
    const auto value = [](reg::Status created, reg::Status stored) {
        return ValueWrite{Result{created, {}}, Result{stored, {}}};
    };
    struct Case {
        const char* what;
        protection::WriteResult written;
        Outcome outcome;
    };
    const Case cases[] = {
        {"stored", {{value(0, 0)}}, Outcome::Done},
        {"key refused", {{value(5, 5)}}, Outcome::Refused},
        {"value refused", {{value(0, 5)}}, Outcome::Refused},
        {"other failure", {{value(0, 1015)}}, Outcome::Failed},
        {"autorun, machine-wide half refused", {{value(5, 5), value(0, 0)}}, Outcome::Refused},
        {"autorun, both stored", {{value(0, 0), value(0, 0)}}, Outcome::Done},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(OutcomeOf(c.written), c.outcome);
    }
}

} // namespace
} // namespace kv::audit

namespace kv::audit {
namespace {

TEST(AuditTrailTest, ALayerThatChangedNothingWritesNothing) {
    Recorded recorded;
    const AuditTrail window(recorded.sink(), Origin::Window);
    EXPECT_EQ(window.Layer(protection::Switch::WriteProtect, protection::LayerChange{}, false), 0);
    EXPECT_TRUE(recorded.events.empty());
}

} // namespace
} // namespace kv::audit
