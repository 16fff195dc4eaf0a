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
    EXPECT_EQ(StatusText(report), L"USB Device Write Protection: unknown (why?not)\n"
                                  L"USB Device Lock: Locked\n"
                                  L"USB Device Autorun: Enabled\n"
                                  L"2 device(s) detected: DATA (E:), LINE?BREAK (F:)\n"
                                  L"The lock may not hold for DATA (E:): it is usable and "
                                  L"Windows did not say how it is attached.\n"
                                  L"The lock may not hold for LINE?BREAK (F:): it is usable and "
                                  L"Windows did not say how it is attached.\n");
}

TEST(StatusText, ALineForEachProtectionThatDoesNotHold) {
    StatusReport report;
    report.states = States(kOn, kOn, kOn);
    report.drives = {{L"F", L"SSD", false, drives::Bus::Usb, L"UASPStor"},
                     {L"E", L"RO", true, drives::Bus::Usb, L"USBSTOR"}};
    EXPECT_EQ(StatusText(report),
              L"USB Device Write Protection: Enabled\n"
              L"USB Device Lock: Locked\n"
              L"USB Device Autorun: Disabled\n"
              L"2 device(s) detected: SSD (F:), RO (E:)\n"
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
              R"("driver": null, "usbLock": {"holds": false, "reason": "unknown"}}], )"
              R"("windowsPolicy": {)" kNoLayer "}}"
              "\n");

    report.states = States(kOn, kOn, kOn);
    report.drives = {{L"F", L"BACKUP", true, drives::Bus::Sd, std::nullopt},
                     {L"E", L"", false, drives::Bus::Usb, L"USBSTOR"}};
    report.windowsPolicy = {.denyAll = false, .denyWrite = true, .denyRead = std::nullopt};
    EXPECT_EQ(
        StatusJson(report),
        R"({"version": 1, "writeProtect": true, "usbLock": true, "autorun": false, "drives": [)"
        R"({"letter": "F", "label": "BACKUP", "readOnly": true, "bus": "sd", )"
        R"("driver": null, "writeProtect": {"holds": true}, )"
        R"("usbLock": {"holds": false, "reason": "notCovered"}}, )"
        R"({"letter": "E", "label": "", "readOnly": false, "bus": "usb", )"
        R"("driver": "USBSTOR", "writeProtect": {"holds": false, "reason": "attachedBefore"}, )"
        R"("usbLock": {"holds": false, "reason": "attachedBefore"}}], )"
        R"("windowsPolicy": {"Deny_All": false, "Deny_Write": true, )" kNoLayer "}}"
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
        {L"\u2028", "\"\xe2\x80\xa8\""},
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
