#include "cli/status_report.h"

#include <algorithm>

#include "cli/utf8.h"
#include "drives/attachment.h"
#include "drives/holds.h"
#include "protection/switch_words.h"

namespace kv::cli {
namespace {

// A control character in a volume label would break the one-line-per-item shape.
std::wstring OnOneLine(std::wstring text) {
    for (wchar_t& c : text) {
        if (c < 0x20 || c == 0x7F) {
            c = L'?';
        }
    }
    return text;
}

void AppendJsonString(std::string& out, std::wstring_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : ToUtf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                out += "\\u00";
                out += kHex[byte >> 4];
                out += kHex[byte & 0xF];
            } else {
                out += c; // UTF-8 bytes of non-ASCII text pass as they are
            }
        }
    }
    out += '"';
}

const char* JsonState(Switch name, const ReportedState& state) {
    if (!state.protection) {
        return "null";
    }
    return CommandLineOn(name, *state.protection) ? "true" : "false";
}

const char* JsonBool(bool value) {
    return value ? "true" : "false";
}

const char* WhyNotWord(drives::WhyNot why) {
    switch (why) {
    case drives::WhyNot::AttachedBefore:
        return "attachedBefore";
    case drives::WhyNot::NotCovered:
        return "notCovered";
    case drives::WhyNot::Unknown:
        break;
    }
    return "unknown";
}

// The command line's answer to "which protections are on" for the drives: an unknown
// state is not on (status says it is unknown and fails).
drives::ProtectionsOn ProtectionsOn(const SwitchStates& states) {
    const auto on = [](const ReportedState& state) {
        return state.protection == protection::OnOff::On;
    };
    return {.writeProtect = on(states.writeProtect), .lock = on(states.usbLock)};
}

void AppendProtectionJson(std::string& out, const char* name, drives::Protection protection,
                          const drives::ListedDrive& drive) {
    const auto why = drives::WhyNotHeld(protection, drive);
    out += ", \"";
    out += name;
    out += "\": {\"holds\": ";
    out += JsonBool(!why);
    if (why) {
        out += ", \"reason\": \"";
        out += WhyNotWord(*why);
        out += '"';
    }
    out += '}';
}

void AppendDriveJson(std::string& out, const drives::ListedDrive& drive, drives::ProtectionsOn on) {
    out += "{\"letter\": ";
    AppendJsonString(out, drive.letter);
    out += ", \"label\": ";
    AppendJsonString(out, drive.label);
    out += ", \"readOnly\": ";
    out += JsonBool(drive.readOnly);
    out += ", \"bus\": ";
    AppendJsonString(out, drives::BusWord(drive.bus));
    out += ", \"driver\": ";
    if (drive.driver) {
        AppendJsonString(out, *drive.driver);
    } else {
        out += "null";
    }
    if (on.writeProtect) {
        AppendProtectionJson(out, "writeProtect", drives::Protection::WriteProtect, drive);
    }
    if (on.lock) {
        AppendProtectionJson(out, "usbLock", drives::Protection::Lock, drive);
    }
    out += '}';
}

void AppendPolicyValue(std::string& out, bool& first, const char* name, std::optional<bool> value) {
    if (!value) {
        return; // not set
    }
    out += first ? "\"" : ", \"";
    first = false;
    out += name;
    out += "\": ";
    out += JsonBool(*value);
}

void AppendLayerJson(std::string& out, const protection::LayerState& layer) {
    const protection::LayerFacts facts = layer.Facts();
    out += "{\"set\": ";
    out += JsonBool(facts.set);
    out += ", \"byKelvane\": ";
    out += JsonBool(facts.setByKelvane);
    if (facts.setAt) {
        out += ", \"since\": \"" + protection::Iso8601Utc(*facts.setAt) + "\"";
    }
    out += ", \"values\": [";
    bool first = true;
    for (const protection::PolicyValueState& value : layer.values) {
        if (!value.present) {
            continue; // as for the values above: one that is not set is left out
        }
        out += first ? "{\"key\": \"" : ", {\"key\": \"";
        first = false;
        out += value.value.deviceClass;
        out += "\", \"name\": \"";
        out += value.value.name;
        out += "\", \"set\": ";
        out += value.readFailed ? "null" : JsonBool(value.set);
        out += ", \"byKelvane\": ";
        out += JsonBool(value.byKelvane);
        out += '}';
    }
    out += "]}";
}

// "Windows' removable-storage policy for write protection: set by Kelvane since ...".
std::wstring LayerLine(Switch name, const protection::LayerState& layer) {
    const auto set = std::ranges::count_if(layer.values, &protection::PolicyValueState::set);
    if (set == 0 && !layer.denyAll) {
        return {};
    }
    const protection::LayerFacts facts = layer.Facts();
    std::wstring line = L"Windows' removable-storage policy under " +
                        std::wstring(protection::WordsOf(name).heading) + L": ";
    if (facts.setByKelvane) {
        const std::string since = facts.setAt ? protection::Iso8601Utc(*facts.setAt) : "";
        line += L"set by Kelvane" +
                (since.empty() ? L"" : L" since " + std::wstring(since.begin(), since.end()));
    } else if (facts.set) {
        line += L"set outside Kelvane";
    } else {
        line += L"partly set";
    }
    if (static_cast<std::size_t>(set) < layer.values.size() && !layer.denyAll) {
        line += L" (" + std::to_wstring(set) + L" of " + std::to_wstring(layer.values.size()) +
                L" values)";
    }
    return line + L"\n";
}

// The drive part of the object: "drives" and "windowsPolicy".
void AppendDrivesJson(std::string& out, const StatusReport& report) {
    out += "\"drives\": [";
    for (std::size_t i = 0; i < report.drives.size(); ++i) {
        out += i == 0 ? "" : ", ";
        AppendDriveJson(out, report.drives[i], ProtectionsOn(report.states));
    }
    out += "], \"windowsPolicy\": {";
    bool first = true;
    AppendPolicyValue(out, first, "Deny_All", report.windowsPolicy.denyAll);
    AppendPolicyValue(out, first, "Deny_Write", report.windowsPolicy.denyWrite);
    AppendPolicyValue(out, first, "Deny_Read", report.windowsPolicy.denyRead);
    out += first ? "\"layer\": {\"writeProtect\": " : ", \"layer\": {\"writeProtect\": ";
    AppendLayerJson(out, report.windowsPolicy.writeProtectLayer);
    out += ", \"usbLock\": ";
    AppendLayerJson(out, report.windowsPolicy.usbLockLayer);
    out += "}}";
}

} // namespace

bool CommandLineOn(Switch name, protection::OnOff protection) {
    const bool protecting = protection == protection::OnOff::On;
    return name == Switch::Autorun ? !protecting : protecting;
}

protection::OnOff ProtectionFor(Switch name, bool commandLineOn) {
    const bool protecting = name == Switch::Autorun ? !commandLineOn : commandLineOn;
    return protecting ? protection::OnOff::On : protection::OnOff::Off;
}

std::wstring StateLine(Switch name, protection::OnOff protection) {
    const protection::SwitchWords& words = protection::WordsOf(name);
    return std::wstring(words.heading) + L": " + words.For(protection);
}

std::wstring StateLine(Switch name, const ReportedState& state) {
    if (state.protection) {
        return StateLine(name, *state.protection);
    }
    return std::wstring(protection::WordsOf(name).heading) + L": unknown (" +
           OnOneLine(state.unknownBecause) + L")";
}

std::wstring StatusText(const StatusReport& report) {
    std::vector<drives::ListedDrive> drives = report.drives;
    for (drives::ListedDrive& drive : drives) {
        drive.label = OnOneLine(std::move(drive.label));
        drive.letter = OnOneLine(std::move(drive.letter));
    }
    std::wstring text = StateLine(Switch::WriteProtect, report.states.writeProtect) + L"\n" +
                        StateLine(Switch::UsbLock, report.states.usbLock) + L"\n" +
                        StateLine(Switch::Autorun, report.states.autorun) + L"\n" +
                        drives::DriveLineCaption(drives) + L"\n";
    for (const auto& shortfall : drives::Shortfalls(drives, ProtectionsOn(report.states))) {
        text += drives::ShortfallText(shortfall) + L"\n";
    }
    text += LayerLine(Switch::WriteProtect, report.windowsPolicy.writeProtectLayer);
    text += LayerLine(Switch::UsbLock, report.windowsPolicy.usbLockLayer);
    return text;
}

std::string StatusJson(const StatusReport& report) {
    std::string out = "{\"version\": " + std::to_string(kStatusJsonVersion);
    out += ", \"writeProtect\": ";
    out += JsonState(Switch::WriteProtect, report.states.writeProtect);
    out += ", \"usbLock\": ";
    out += JsonState(Switch::UsbLock, report.states.usbLock);
    out += ", \"autorun\": ";
    out += JsonState(Switch::Autorun, report.states.autorun);
    out += ", ";
    AppendDrivesJson(out, report);
    out += "}\n";
    return out;
}

} // namespace kv::cli
