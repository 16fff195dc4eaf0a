#include "cli/status_report.h"

#include <gtest/gtest.h>

namespace kv::cli {
namespace {

using protection::OnOff;
const ReportedState kOn{OnOff::On, L""};
const ReportedState kOff{OnOff::Off, L""};

SwitchStates States(ReportedState writeProtect, ReportedState usbLock, ReportedState autorun) {
    SwitchStates states;
    states.writeProtect = std::move(writeProtect);
    states.usbLock = std::move(usbLock);
    states.autorun = std::move(autorun);
    return states;
}

ReportedState Unknown(const wchar_t* why) {
    ReportedState state;
    state.unknownBecause = why;
    return state;
}

TEST(StatusText, SaysWhatTheWindowShowsOneItemALine) {
    StatusReport report;
    report.states = States(kOn, kOff, kOn);
    EXPECT_EQ(StatusText(report), L"USB Device Write Protection: Enabled\n"
                                  L"USB Device Lock: Unlocked\n"
                                  L"USB Device Autorun: Disabled\n"
                                  L"No USB Storage device detected.\n");

    report.states = States(Unknown(L"why\nnot"), kOn, kOff);
    report.drives = {{L"E", L"DATA"}, {L"F", L"LINE\nBREAK"}};
    EXPECT_EQ(StatusText(report), L"USB Device Write Protection: unknown (why not)\n"
                                  L"USB Device Lock: Locked\n"
                                  L"USB Device Autorun: Enabled\n"
                                  L"2 device(s) detected: DATA (E:), LINE BREAK (F:)\n"
                                  L"The lock may not hold for DATA (E:): it is usable and "
                                  L"Windows did not say how it is attached.\n"
                                  L"The lock may not hold for LINE BREAK (F:): it is usable and "
                                  L"Windows did not say how it is attached.\n");
}

TEST(StatusText, ALineForEachProtectionOnEachDrive) {
    StatusReport report;
    report.states = States(kOn, kOn, kOn);
    report.drives = {
        {L"F", L"SSD", false, drives::Bus::Usb, L"UASPStor", drives::Coverage::NotCovered},
        {L"E", L"RO", true, drives::Bus::Usb, L"USBSTOR", drives::Coverage::Covered}};
    EXPECT_EQ(StatusText(report),
              L"USB Device Write Protection: Enabled\n"
              L"USB Device Lock: Locked\n"
              L"USB Device Autorun: Disabled\n"
              L"2 device(s) detected: SSD (F:), RO (E:)\n"
              L"Write protection holds for RO (E:): its volume is read-only.\n"
              L"The lock does not hold for RO (E:): it stays usable until it is removed.\n"
              L"Write protection does not hold for SSD (F:): the USB Attached SCSI driver it uses "
              L"is not covered.\n"
              L"The lock does not hold for SSD (F:): the USB Attached SCSI driver it uses is not "
              L"covered.\n");
}

// The second layer of both protections with none of its values set.
#define kNoLayer                                                                                   \
    R"("layer": {"writeProtect": {"set": false, "byKelvane": false, "values": []}, )"              \
    R"("usbLock": {"set": false, "byKelvane": false, "values": []}})"

TEST(StatusJson, ObjectWithTheStatesDrivesAndWindowsPolicy) {
    StatusReport report;
    // autorun is true when allowed: its protection off.
    report.states = States(kOn, kOff, kOff);
    EXPECT_EQ(StatusJson(report),
              R"({"version": 1, "writeProtect": true, "usbLock": false, "autorun": true, )"
              R"("drives": [], "windowsPolicy": {)" kNoLayer "}}"
              "\n");

    report.states = States(Unknown(L"denied"), kOn, kOn);
    report.drives = {{L"E", L""}};
    EXPECT_EQ(StatusJson(report),
              R"({"version": 1, "writeProtect": null, "usbLock": true, "autorun": false, )"
              R"("drives": [{"letter": "E", "label": "", "readOnly": false, "bus": "unknown", )"
              R"("driver": null, "windowsAccess": {"write": "unknown", "read": "unknown"}, )"
              R"("usbLock": {"holds": false, "reason": "unknown"}}], )"
              R"("windowsPolicy": {)" kNoLayer "}}"
              "\n");

    report.states = States(kOn, kOn, kOn);
    report.drives = {{L"F", L"BACKUP", true, drives::Bus::Sd, std::nullopt,
                      drives::Coverage::NotCovered, drives::Answer::Allowed,
                      drives::Answer::Denied},
                     {L"E", L"", false, drives::Bus::Usb, L"USBSTOR", drives::Coverage::Covered,
                      drives::Answer::Denied, drives::Answer::Allowed}};
    report.windowsPolicy = {.denyAll = false, .denyWrite = true, .denyRead = std::nullopt};
    // Set by an administrator: write protection's layer holds, and not through Kelvane.
    report.windowsPolicy.writeProtectLayer.denyAll = true;
    EXPECT_EQ(
        StatusJson(report),
        R"({"version": 1, "writeProtect": true, "usbLock": true, "autorun": false, "drives": [)"
        R"({"letter": "F", "label": "BACKUP", "readOnly": true, "bus": "sd", )"
        R"("driver": null, "windowsAccess": {"write": "allowed", "read": "denied"}, )"
        R"("writeProtect": {"holds": true, "through": "readOnlyVolume"}, )"
        R"("usbLock": {"holds": true, "through": "deniedByWindows", "windowsPolicy": "none"}}, )"
        R"({"letter": "E", "label": "", "readOnly": false, "bus": "usb", )"
        R"("driver": "USBSTOR", "windowsAccess": {"write": "denied", "read": "allowed"}, )"
        R"("writeProtect": {"holds": true, "through": "deniedByWindows", )"
        R"("windowsPolicy": "outside"}, )"
        R"("usbLock": {"holds": false, "reason": "attachedBefore"}}], )"
        R"("windowsPolicy": {"Deny_All": false, "Deny_Write": true, )"
        R"("layer": {"writeProtect": {"set": true, "byKelvane": false, "values": []}, )"
        R"("usbLock": {"set": false, "byKelvane": false, "values": []}}}})"
        "\n");
}

TEST(StatusJson, AnyLabelGivesValidJsonInUtf8) {
    struct Case {
        std::wstring label;
        std::string json;
    };
    const Case cases[] = {
        {L"say \"hi\"", R"("say \"hi\"")"},
        {L"C:\\back\\", R"("C:\\back\\")"},
        {L"a\tb\nc\rd\be\ff", R"("a\tb\nc\rd\be\ff")"},
        {std::wstring(L"\x01\x1f\x7f", 3), R"("\u0001\u001f\u007f")"},
        {std::wstring(L"nul\0x", 5), R"("nul\u0000x")"},
        {L"Gr\u00fc\u00dfe \u65e5\u672c", "\"Gr\xc3\xbc\xc3\x9f"
                                          "e \xe6\x97\xa5\xe6\x9c\xac\""},
        // Valid JSON either way, but readers that split lines split at these.
        {L"a\u2028b\u2029", R"("a\u2028b\u2029")"},
        {L"\u0085\u009b\u00a0", "\"\\u0085\\u009b\xc2\xa0\""},
        {L"/slash'", R"("/slash'")"},
    };
    for (const Case& c : cases) {
        StatusReport report;
        report.drives = {{L"E", c.label}};
        const std::string json = StatusJson(report);
        const std::string expected = R"({"letter": "E", "label": )" + c.json + ", ";
        EXPECT_NE(json.find(expected), std::string::npos) << json;
    }
}

} // namespace
} // namespace kv::cli
