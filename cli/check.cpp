#include "cli/check.h"

#include "drives/holds.h"
#include "protection/switch_facts.h"

#include <algorithm>
#include <array>

namespace kv::cli {
namespace {

using protection::OnOff;

constexpr std::array<Switch, 3> kAll{Switch::WriteProtect, Switch::UsbLock, Switch::Autorun};

const ReportedState& StateOf(const SwitchStates& states, Switch name) {
    switch (name) {
    case Switch::WriteProtect:
        return states.writeProtect;
    case Switch::UsbLock:
        return states.usbLock;
    case Switch::Autorun:
        break;
    }
    return states.autorun;
}

// The field names of the status object.
const char* JsonName(Switch name) {
    switch (name) {
    case Switch::WriteProtect:
        return "writeProtect";
    case Switch::UsbLock:
        return "usbLock";
    case Switch::Autorun:
        break;
    }
    return "autorun";
}

std::wstring UnknownText(Switch name, const ReportedState& state) {
    return L"the state of " + std::wstring(protection::WordsOf(name).heading) + L" is unknown: " +
           state.unknownBecause;
}

// The drives where a checked protection that is on does not hold, as the window lists them.
void AddShortfalls(CheckVerdict& verdict, const StatusReport& report) {
    const auto asked = [&](Switch name) {
        return std::ranges::find(verdict.checked, name) != verdict.checked.end() &&
               StateOf(report.states, name).protection == OnOff::On;
    };
    const drives::ProtectionsOn on{.writeProtect = asked(Switch::WriteProtect),
                                   .lock = asked(Switch::UsbLock)};
    for (const drives::Shortfall& shortfall :
         drives::Shortfalls(report.drives, on, DrivePolicies(report.windowsPolicy))) {
        const Switch name = shortfall.protection == drives::DriveProtection::WriteProtect
                                ? Switch::WriteProtect
                                : Switch::UsbLock;
        verdict.reasons.push_back({name, shortfall.drive.letter, drives::ShortfallText(shortfall)});
    }
}

} // namespace

CheckVerdict Judge(const StatusReport& report, const std::vector<Switch>& named) {
    CheckVerdict verdict;
    // Without names every state is needed, to learn which protections are on.
    for (const Switch name : kAll) {
        if (!named.empty() && std::ranges::find(named, name) == named.end()) {
            continue;
        }
        const ReportedState& state = StateOf(report.states, name);
        if (!state.protection) {
            verdict.unknown += (verdict.unknown.empty() ? L"" : L"; ") + UnknownText(name, state);
        }
        if (!named.empty() || state.protection == OnOff::On) {
            verdict.checked.push_back(name);
        }
    }
    for (const Switch name : verdict.checked) {
        if (StateOf(report.states, name).protection == OnOff::Off) {
            verdict.reasons.push_back({name, {}, StateLine(name, OnOff::Off)});
        }
    }
    AddShortfalls(verdict, report);
    // What is known to fail is still said, but no verdict rests on a state that was not read.
    if (verdict.unknown.empty()) {
        verdict.compliant = verdict.reasons.empty();
    }
    return verdict;
}

std::wstring CheckText(const CheckVerdict& verdict) {
    std::wstring text;
    for (const CheckReason& reason : verdict.reasons) {
        text += reason.text + L"\n";
    }
    if (!verdict.compliant) {
        return text;
    }
    if (!*verdict.compliant) {
        return text + L"Not compliant.\n";
    }
    if (verdict.checked.empty()) {
        return L"No protection is on, so there is nothing to check.\nCompliant.\n";
    }
    for (const Switch name : verdict.checked) {
        text += StateLine(name, OnOff::On) + L"\n";
    }
    return text + L"Compliant.\n";
}

std::string CheckJson(const StatusReport& report, const CheckVerdict& verdict) {
    std::string more = ", \"checked\": [";
    for (std::size_t i = 0; i < verdict.checked.size(); ++i) {
        more += i == 0 ? "\"" : ", \"";
        more += JsonName(verdict.checked[i]);
        more += '"';
    }
    more += "], \"compliant\": ";
    more += !verdict.compliant ? "null" : *verdict.compliant ? "true" : "false";
    more += ", \"reasons\": [";
    for (std::size_t i = 0; i < verdict.reasons.size(); ++i) {
        const CheckReason& reason = verdict.reasons[i];
        more += i == 0 ? "{\"protection\": \"" : ", {\"protection\": \"";
        more += JsonName(reason.protection);
        more += '"';
        if (!reason.drive.empty()) {
            more += ", \"drive\": ";
            AppendJsonString(more, reason.drive);
        }
        more += ", \"text\": ";
        AppendJsonString(more, reason.text);
        more += '}';
    }
    more += ']';
    return StatusJson(report, more);
}

} // namespace kv::cli
