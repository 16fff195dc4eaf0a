#include "cli/status_report.h"

#include <algorithm>

#include "cli/utf8.h"
#include "drives/attachment.h"
#include "drives/drive_name.h"
#include "drives/holds.h"
#include "protection/switch_facts.h"

namespace kv::cli {

void AppendJsonString(std::string& out, std::wstring_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    const auto escape = [&](unsigned code) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) {
            out += kHex[(code >> shift) & 0xF];
        }
    };
    const std::string bytes = ToUtf8(text);
    out += '"';
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const auto byte = static_cast<unsigned char>(c);
        const auto next = [&](std::size_t ahead) {
            return i + ahead < bytes.size() ? static_cast<unsigned char>(bytes[i + ahead]) : 0u;
        };
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
                escape(byte);
            } else if (byte == 0xC2 && next(1) >= 0x80 && next(1) <= 0x9F) {
                // C1 controls, NEL among them: readers that split lines split there too.
                escape(next(1));
                i += 1;
            } else if (byte == 0xE2 && next(1) == 0x80 && (next(2) == 0xA8 || next(2) == 0xA9)) {
                escape(next(2) == 0xA8 ? 0x2028 : 0x2029); // the line and paragraph separators
                i += 2;
            } else {
                out += c; // UTF-8 bytes of other non-ASCII text pass as they are
            }
        }
    }
    out += '"';
}

namespace {

const char* JsonState(Switch name, const ReportedState& state) {
    if (!state.protection) {
        return "null";
    }
    return CommandLineOn(name, *state.protection) ? "true" : "false";
}

const char* JsonBool(bool value) {
    return value ? "true" : "false";
}

const char* VerdictWord(drives::Verdict verdict) {
    switch (verdict) {
    case drives::Verdict::ReadOnlyVolume:
        return "readOnlyVolume";
    case drives::Verdict::DeniedByWindows:
        return "deniedByWindows";
    case drives::Verdict::AttachedBefore:
        return "attachedBefore";
    case drives::Verdict::NotCovered:
        return "notCovered";
    case drives::Verdict::UntilReattached:
        return "untilReattached";
    case drives::Verdict::PolicyNotApplied:
        return "policyNotApplied";
    case drives::Verdict::Unknown:
        break;
    }
    return "unknown";
}

const char* AnswerWord(drives::Answer answer) {
    switch (answer) {
    case drives::Answer::Allowed:
        return "allowed";
    case drives::Answer::Denied:
        return "denied";
    case drives::Answer::Unknown:
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

void AppendProtectionJson(std::string& out, const char* name, drives::DriveProtection protection,
                          const drives::ListedDrive& drive,
                          const drives::WindowsPolicyFacts& policy) {
    const drives::Verdict verdict = drives::VerdictFor(protection, drive, policy);
    const bool holds = drives::Holds(verdict);
    out += ", \"";
    out += name;
    out += "\": {\"holds\": ";
    out += JsonBool(holds);
    out += holds ? ", \"through\": \"" : ", \"reason\": \"";
    out += VerdictWord(verdict);
    out += '"';
    if (verdict == drives::Verdict::DeniedByWindows) {
        // Whose policy it is, as far as the registry tells.
        out += ", \"windowsPolicy\": \"";
        out += !policy.set ? "none" : policy.setByKelvane ? "kelvane" : "outside";
        out += '"';
    }
    out += '}';
}

void AppendDriveJson(std::string& out, const drives::ListedDrive& drive, drives::ProtectionsOn on,
                     const drives::WindowsPolicies& policies) {
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
    out += ", \"windowsAccess\": {\"write\": \"";
    out += AnswerWord(drive.mayWrite);
    out += "\", \"read\": \"";
    out += AnswerWord(drive.mayRead);
    out += "\"}";
    if (on.writeProtect) {
        AppendProtectionJson(out, "writeProtect", drives::DriveProtection::WriteProtect, drive,
                             policies.writeProtect);
    }
    if (on.lock) {
        AppendProtectionJson(out, "usbLock", drives::DriveProtection::Lock, drive, policies.lock);
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
        AppendDriveJson(out, report.drives[i], ProtectionsOn(report.states),
                        DrivePolicies(report.windowsPolicy));
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
           drives::OneLine(state.unknownBecause) + L")";
}

drives::WindowsPolicies DrivePolicies(const WindowsPolicy& policy) {
    const auto facts = [](const protection::LayerState& layer) {
        const protection::LayerFacts f = layer.Facts();
        return drives::WindowsPolicyFacts{f.set, f.setByKelvane, f.setAt};
    };
    return {.writeProtect = facts(policy.writeProtectLayer), .lock = facts(policy.usbLockLayer)};
}

std::wstring StatusText(const StatusReport& report) {
    std::wstring text = StateLine(Switch::WriteProtect, report.states.writeProtect) + L"\n" +
                        StateLine(Switch::UsbLock, report.states.usbLock) + L"\n" +
                        StateLine(Switch::Autorun, report.states.autorun) + L"\n" +
                        drives::DriveLineCaption(report.drives) + L"\n";
    // Every protection that is on, for every drive: through what it holds or why not, in
    // the window's words (the drive's name made safe for one line).
    const drives::WindowsPolicies policies = DrivePolicies(report.windowsPolicy);
    for (const auto& v : drives::Verdicts(report.drives, ProtectionsOn(report.states), policies)) {
        text +=
            drives::VerdictText(v.protection, v.why, v.drive, policies.For(v.protection)) + L"\n";
    }
    text += LayerLine(Switch::WriteProtect, report.windowsPolicy.writeProtectLayer);
    text += LayerLine(Switch::UsbLock, report.windowsPolicy.usbLockLayer);
    return text;
}

std::string StatusJson(const StatusReport& report, std::string_view moreFields) {
    std::string out = "{\"version\": " + std::to_string(kStatusJsonVersion);
    out += ", \"writeProtect\": ";
    out += JsonState(Switch::WriteProtect, report.states.writeProtect);
    out += ", \"usbLock\": ";
    out += JsonState(Switch::UsbLock, report.states.usbLock);
    out += ", \"autorun\": ";
    out += JsonState(Switch::Autorun, report.states.autorun);
    out += ", ";
    AppendDrivesJson(out, report);
    out += moreFields;
    out += "}\n";
    return out;
}

} // namespace kv::cli
