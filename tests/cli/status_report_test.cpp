#include "cli/status_report.h"

#include <gtest/gtest.h>

namespace kv::cli {
namespace {

TEST(StatusText, SaysWhatTheWindowShowsOneItemALine) {
    StatusReport report;
    report.states = {.writeProtect = true, .usbLock = false, .autorun = false};
    EXPECT_EQ(StatusText(report), L"USB Device Write Protection: Enabled\n"
                                  L"USB Device Lock: Unlocked\n"
                                  L"USB Device Autorun: Disabled\n"
                                  L"No USB Storage device detected.\n");

    report.states = {.writeProtect = false, .usbLock = true, .autorun = true};
    report.drives = {{L"E", L"DATA"}, {L"F", L"LINE\nBREAK"}};
    EXPECT_EQ(StatusText(report), L"USB Device Write Protection: Disabled\n"
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
    report.states = {.writeProtect = true, .usbLock = true, .autorun = false};
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

TEST(StatusJson, ObjectWithTheStatesDrivesAndWindowsPolicy) {
    StatusReport report;
    report.states = {.writeProtect = true, .usbLock = false, .autorun = true};
    EXPECT_EQ(StatusJson(report),
              R"({"writeProtect": true, "usbLock": false, "autorun": true, "drives": [], )"
              R"("windowsPolicy": {"Deny_All": null, "Deny_Write": null, "Deny_Read": null}})"
              "\n");

    report.states = {.writeProtect = true, .usbLock = true, .autorun = false};
    report.drives = {{L"F", L"BACKUP", true, drives::Bus::Sd, std::nullopt},
                     {L"E", L"", false, drives::Bus::Usb, L"USBSTOR"}};
    report.windowsPolicy = {.denyAll = false, .denyWrite = true, .denyRead = std::nullopt};
    EXPECT_EQ(StatusJson(report),
              R"({"writeProtect": true, "usbLock": true, "autorun": false, "drives": [)"
              R"({"letter": "F", "label": "BACKUP", "readOnly": true, "bus": "sd", )"
              R"("driver": null, "protections": {)"
              R"("writeProtect": {"holds": true, "whyNot": null}, )"
              R"("usbLock": {"holds": false, "whyNot": "notCovered"}}}, )"
              R"({"letter": "E", "label": "", "readOnly": false, "bus": "usb", )"
              R"("driver": "USBSTOR", "protections": {)"
              R"("writeProtect": {"holds": false, "whyNot": "attachedBefore"}, )"
              R"("usbLock": {"holds": false, "whyNot": "attachedBefore"}}}], )"
              R"("windowsPolicy": {"Deny_All": false, "Deny_Write": true, "Deny_Read": null}})"
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
