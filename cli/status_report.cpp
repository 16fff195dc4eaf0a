#include "cli/status_report.h"

#include "cli/utf8.h"

namespace kv::cli {
namespace {

// The window's heading of each block and the words its status label shows.
struct Words {
    std::wstring_view heading;
    std::wstring_view on;
    std::wstring_view off;
};

Words WordsFor(SwitchName name) {
    switch (name) {
    case SwitchName::WriteProtect:
        return {L"USB Device Write Protection", L"Enabled", L"Disabled"};
    case SwitchName::UsbLock:
        return {L"USB Device Lock", L"Locked", L"Unlocked"};
    case SwitchName::Autorun:
        return {L"USB Device Autorun", L"Enabled", L"Disabled"};
    }
    return {};
}

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

const char* JsonBool(bool value) {
    return value ? "true" : "false";
}

} // namespace

std::wstring StateLine(SwitchName name, bool on) {
    const Words words = WordsFor(name);
    return std::wstring(words.heading) + L": " + std::wstring(on ? words.on : words.off);
}

std::wstring StatusText(const StatusReport& report) {
    std::vector<drives::ListedDrive> drives = report.drives;
    for (drives::ListedDrive& drive : drives) {
        drive.label = OnOneLine(std::move(drive.label));
        drive.letter = OnOneLine(std::move(drive.letter));
    }
    return StateLine(SwitchName::WriteProtect, report.states.writeProtect) + L"\n" +
           StateLine(SwitchName::UsbLock, report.states.usbLock) + L"\n" +
           StateLine(SwitchName::Autorun, report.states.autorun) + L"\n" +
           drives::DriveLineCaption(drives) + L"\n";
}

std::string StatusJson(const StatusReport& report) {
    std::string out = "{\"writeProtect\": ";
    out += JsonBool(report.states.writeProtect);
    out += ", \"usbLock\": ";
    out += JsonBool(report.states.usbLock);
    out += ", \"autorun\": ";
    out += JsonBool(report.states.autorun);
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
