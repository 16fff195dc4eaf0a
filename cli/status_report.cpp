#include "cli/status_report.h"

#include "cli/utf8.h"
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

} // namespace

bool CommandLineOn(Switch name, protection::Protection protection) {
    const bool protecting = protection == protection::Protection::On;
    return name == Switch::Autorun ? !protecting : protecting;
}

protection::Protection ProtectionFor(Switch name, bool commandLineOn) {
    const bool protecting = name == Switch::Autorun ? !commandLineOn : commandLineOn;
    return protecting ? protection::Protection::On : protection::Protection::Off;
}

std::wstring StateLine(Switch name, protection::Protection protection) {
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
    return StateLine(Switch::WriteProtect, report.states.writeProtect) + L"\n" +
           StateLine(Switch::UsbLock, report.states.usbLock) + L"\n" +
           StateLine(Switch::Autorun, report.states.autorun) + L"\n" +
           drives::DriveLineCaption(drives) + L"\n";
}

std::string StatusJson(const StatusReport& report) {
    std::string out = "{\"version\": " + std::to_string(kStatusJsonVersion);
    out += ", \"writeProtect\": ";
    out += JsonState(Switch::WriteProtect, report.states.writeProtect);
    out += ", \"usbLock\": ";
    out += JsonState(Switch::UsbLock, report.states.usbLock);
    out += ", \"autorun\": ";
    out += JsonState(Switch::Autorun, report.states.autorun);
    out += ", \"drives\": [";
    for (std::size_t i = 0; i < report.drives.size(); ++i) {
        out += i == 0 ? "{\"letter\": " : ", {\"letter\": ";
        AppendJsonString(out, report.drives[i].letter);
        out += ", \"label\": ";
        AppendJsonString(out, report.drives[i].label);
        out += '}';
    }
    out += "]}\n";
    return out;
}

} // namespace kv::cli
