// kelvane.exe with arguments, run as a script runs it: a separate process with its standard
// handles redirected, against the real registry of the Wine prefix. The machine guard
// (CHANGES_MACHINE) puts the protection keys and the password store back at the end.

#include "password/pbkdf2_win.h"
#include "tests/drives/wine_drive.h"

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace kv::test {
namespace {

constexpr wchar_t kPolicies[] = L"SYSTEM\\CurrentControlSet\\Control\\StorageDevicePolicies";
constexpr wchar_t kUsbStor[] = L"SYSTEM\\CurrentControlSet\\services\\USBSTOR";
constexpr wchar_t kExplorer[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr wchar_t kSettings[] = L"Software\\kelvane\\settings";

struct ValueRef {
    HKEY root;
    const wchar_t* key;
    const wchar_t* name;
};
const ValueRef kWriteProtect{HKEY_LOCAL_MACHINE, kPolicies, L"WriteProtect"};
const ValueRef kStart{HKEY_LOCAL_MACHINE, kUsbStor, L"Start"};
const ValueRef kMachineAutorun{HKEY_LOCAL_MACHINE, kExplorer, L"NoDriveTypeAutoRun"};
const ValueRef kUserAutorun{HKEY_CURRENT_USER, kExplorer, L"NoDriveTypeAutoRun"};
const ValueRef kPassword{HKEY_CURRENT_USER, kSettings, L"p"};

// A value as stored: absent, or its type and bytes.
struct Stored {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
    bool operator==(const Stored&) const = default;
};

Stored Read(const ValueRef& v) {
    Stored stored;
    DWORD size = 0;
    if (::RegGetValueW(v.root, v.key, v.name, RRF_RT_ANY, &stored.type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return stored;
    }
    stored.data.resize(size);
    stored.present = ::RegGetValueW(v.root, v.key, v.name, RRF_RT_ANY, &stored.type,
                                    stored.data.data(), &size) == ERROR_SUCCESS;
    stored.data.resize(size);
    return stored;
}

void Write(const ValueRef& v, const Stored& stored) {
    if (!stored.present) {
        ::RegDeleteKeyValueW(v.root, v.key, v.name);
        return;
    }
    HKEY key = nullptr;
    ASSERT_EQ(
        ::RegCreateKeyExW(v.root, v.key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    ::RegSetValueExW(key, v.name, 0, stored.type, stored.data.data(),
                     static_cast<DWORD>(stored.data.size()));
    ::RegCloseKey(key);
}

Stored Dword(DWORD value) {
    Stored stored{true, REG_DWORD, std::vector<BYTE>(sizeof value)};
    std::memcpy(stored.data.data(), &value, sizeof value);
    return stored;
}
Stored Text(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {true, REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}
const Stored kAbsent{};

// Each test sets the values it starts from; none starts with a password stored.
class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override { Write(kPassword, kAbsent); }
};

struct Outcome {
    DWORD exitCode = 0;
    std::string out;
    std::string err;
    bool windowSeen = false;
};

HANDLE InheritableFile(const std::wstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         disposition, FILE_ATTRIBUTE_TEMPORARY, nullptr);
}

std::string Slurp(const std::wstring& path) {
    std::string bytes;
    HANDLE file = InheritableFile(path, GENERIC_READ, OPEN_EXISTING);
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    ::CloseHandle(file);
    ::DeleteFileW(path.c_str());
    return bytes;
}

BOOL CALLBACK FindWindowOf(HWND window, LPARAM context) {
    auto* seen = reinterpret_cast<std::pair<DWORD, bool>*>(context);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == seen->first && ::IsWindowVisible(window)) {
        seen->second = true;
    }
    return TRUE;
}

// The program beside this test in the build tree.
std::wstring KelvaneExe() {
    wchar_t self[MAX_PATH + 1] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    path.erase(path.find_last_of(L'\\') + 1);
    for (const char c : std::string_view(KELVANE_EXE_FROM_TEST)) {
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    }
    return path;
}

// Runs kelvane.exe with `arguments`, standard input from `input`, output to files. Fails
// the test if the program shows a window or does not end by itself (a message box or a
// wait for input would keep it running).
Outcome RunKelvane(const std::wstring& arguments, const std::string& input = {}) {
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring base =
        std::wstring(temp) + L"kv-cli-" + std::to_wstring(::GetCurrentProcessId()) + L"-";
    {
        HANDLE in = InheritableFile(base + L"in", GENERIC_WRITE, CREATE_ALWAYS);
        DWORD written = 0;
        ::WriteFile(in, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
        ::CloseHandle(in);
    }
    HANDLE in = InheritableFile(base + L"in", GENERIC_READ, OPEN_EXISTING);
    HANDLE out = InheritableFile(base + L"out", GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = InheritableFile(base + L"err", GENERIC_WRITE, CREATE_ALWAYS);

    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::wstring commandLine = L"\"" + KelvaneExe() + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    Outcome outcome;
    const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                          nullptr, nullptr, &startup, &process);
    ::CloseHandle(in);
    ::CloseHandle(out);
    ::CloseHandle(err);
    EXPECT_TRUE(started) << "CreateProcess: " << ::GetLastError();
    if (started) {
        std::pair<DWORD, bool> seen{process.dwProcessId, false};
        const ULONGLONG deadline = ::GetTickCount64() + 60000;
        while (::WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT) {
            ::EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&seen));
            if (::GetTickCount64() > deadline) {
                ::TerminateProcess(process.hProcess, 99);
                ADD_FAILURE() << "kelvane.exe did not end by itself";
                break;
            }
        }
        ::GetExitCodeProcess(process.hProcess, &outcome.exitCode);
        outcome.windowSeen = seen.second;
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::DeleteFileW((base + L"in").c_str());
    outcome.out = Slurp(base + L"out");
    outcome.err = Slurp(base + L"err");
    EXPECT_FALSE(outcome.windowSeen) << "the command line showed a window";
    return outcome;
}

// What a standard user meets on these keys: everyone may read, nobody may write. The
// key's own access list comes back afterwards.
class ReadOnlyKey {
public:
    ReadOnlyKey(HKEY root, const wchar_t* subKey) {
        EXPECT_EQ(::RegCreateKeyExW(root, subKey, 0, nullptr, 0, WRITE_DAC | READ_CONTROL, nullptr,
                                    &key_, nullptr),
                  ERROR_SUCCESS);
        DWORD size = 0;
        ::RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
        saved_.resize(size);
        if (size == 0 || ::RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data(),
                                             &size) != ERROR_SUCCESS) {
            saved_.clear();
        }
        Apply(L"D:P(A;;KR;;;WD)");
    }
    ~ReadOnlyKey() {
        if (saved_.empty() ||
            ::RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data()) != ERROR_SUCCESS) {
            Apply(L"D:P(A;;KA;;;WD)");
        }
        ::RegCloseKey(key_);
    }
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;

private:
    void Apply(const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                           &descriptor, nullptr));
        EXPECT_EQ(::RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
        ::LocalFree(descriptor);
    }
    HKEY key_ = nullptr;
    std::vector<BYTE> saved_;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(CommandLineTest, StatusShowsWhatTheWindowShows) {
    struct Case {
        Stored writeProtect, start, machineAutorun, userAutorun;
        std::string json;
    };
    const Case cases[] = {
        // Start 2 (automatic) leaves storage usable; 145 is not 255, so autorun is allowed.
        {Dword(1), Dword(2), Dword(145), kAbsent,
         R"({"writeProtect": true, "usbLock": false, "autorun": true, "drives": [)"},
        {Dword(0), Dword(4), kAbsent, Dword(255),
         R"({"writeProtect": false, "usbLock": true, "autorun": false, "drives": [)"},
        {kAbsent, Dword(3), Dword(255), Dword(0),
         R"({"writeProtect": false, "usbLock": false, "autorun": false, "drives": [)"},
    };
    for (const Case& c : cases) {
        Write(kWriteProtect, c.writeProtect);
        Write(kStart, c.start);
        Write(kMachineAutorun, c.machineAutorun);
        Write(kUserAutorun, c.userAutorun);
        const Outcome json = RunKelvane(L"status --json");
        EXPECT_EQ(json.exitCode, 0u) << json.err;
        EXPECT_TRUE(json.out.starts_with(c.json)) << json.out;
        EXPECT_TRUE(Contains(json.out, R"(], "windowsPolicy": {"Deny_All": )")) << json.out;
        EXPECT_TRUE(json.out.ends_with("}}\r\n")) << json.out;
        EXPECT_EQ(json.err, "");
        // Reading changes nothing, not even a missing key.
        EXPECT_EQ(Read(kWriteProtect), c.writeProtect);
    }
    const Outcome text = RunKelvane(L"status");
    EXPECT_EQ(text.exitCode, 0u);
    EXPECT_TRUE(text.out.starts_with("USB Device Write Protection: Disabled\r\n"
                                     "USB Device Lock: Unlocked\r\n"
                                     "USB Device Autorun: Disabled\r\n"))
        << text.out;
}

TEST_F(CommandLineTest, StatusListsDrivesWithTheirFactsAndWhereWriteProtectionFails) {
    ASSERT_TRUE(RunningUnderWine());
    Write(kWriteProtect, Dword(1));
    Write(kStart, Dword(3));
    std::wstring writable, readOnly;
    ASSERT_EQ(PlugFolder(L'K', L"My \"USB\" \\ 1", writable), 0u);
    ASSERT_EQ(PlugReadOnlyFolder(L'L', L"SEALED", readOnly), 0u);
    const Outcome json = RunKelvane(L"status --json");
    const Outcome text = RunKelvane(L"status");
    UnplugFolder(L'K', writable);
    UnplugFolder(L'L', readOnly);
    // Wine cannot say how a drive is attached: the driver is unknown, and so is the reason.
    EXPECT_TRUE(Contains(json.out, R"({"letter": "K", "label": "My \"USB\" \\ 1", )"
                                   R"("readOnly": false, "bus": )"))
        << json.out;
    EXPECT_TRUE(Contains(json.out, R"("driver": null, "protections": {"writeProtect": )"
                                   R"({"holds": false, "whyNot": "unknown"}}})"))
        << json.out;
    EXPECT_TRUE(Contains(json.out, R"({"letter": "L", "label": "SEALED", "readOnly": true, )"))
        << json.out;
    EXPECT_TRUE(Contains(json.out, R"({"writeProtect": {"holds": true, "whyNot": null}})"))
        << json.out;
    EXPECT_TRUE(Contains(text.out, R"(My "USB" \ 1 (K:), SEALED (L:))")) << text.out;
    EXPECT_TRUE(Contains(text.out,
                         "\r\nWrite protection may not hold for My \"USB\" \\ 1 (K:): "
                         "it is writable and Windows did not say how it is attached.\r\n"))
        << text.out;
    EXPECT_FALSE(Contains(text.out, "hold for SEALED")) << text.out;
}

TEST_F(CommandLineTest, SetStoresTheValueAndReadsItBack) {
    struct Case {
        const wchar_t* arguments;
        std::vector<std::pair<const ValueRef*, DWORD>> stored;
        std::string said;
    };
    const Case cases[] = {
        {L"set write-protect on", {{&kWriteProtect, 1}}, "USB Device Write Protection: Enabled"},
        {L"set write-protect off", {{&kWriteProtect, 0}}, "USB Device Write Protection: Disabled"},
        {L"set usb-lock on", {{&kStart, 4}}, "USB Device Lock: Locked"},
        {L"set usb-lock off", {{&kStart, 3}}, "USB Device Lock: Unlocked"},
        {L"set autorun off",
         {{&kMachineAutorun, 255}, {&kUserAutorun, 255}},
         "USB Device Autorun: Disabled"},
        {L"set autorun on",
         {{&kMachineAutorun, 0}, {&kUserAutorun, 0}},
         "USB Device Autorun: Enabled"},
    };
    // From nothing: the write-protection key does not exist on a fresh system.
    Write(kWriteProtect, kAbsent);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kPolicies);
    Write(kUserAutorun, kAbsent);
    for (const Case& c : cases) {
        const Outcome run = RunKelvane(c.arguments);
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        EXPECT_EQ(run.out, c.said + "\r\n");
        for (const auto& [value, expected] : c.stored) {
            EXPECT_EQ(Read(*value), Dword(expected)) << value->name;
        }
    }
}

TEST_F(CommandLineTest, RefusedWriteSaysAdministratorRightsAreNeeded) {
    Write(kStart, Dword(3));
    Write(kMachineAutorun, Dword(0));
    Write(kUserAutorun, Dword(0));
    {
        ReadOnlyKey locked(HKEY_LOCAL_MACHINE, kUsbStor);
        const Outcome run = RunKelvane(L"set usb-lock on");
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(Contains(run.err, "administrator rights are needed")) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
    }
    EXPECT_EQ(Read(kStart), Dword(3));
    {
        // The per-user write goes through, as from the window, and autorun then reads as
        // suppressed: still a refusal, since the machine-wide value did not change.
        ReadOnlyKey locked(HKEY_LOCAL_MACHINE, kExplorer);
        const Outcome run = RunKelvane(L"set autorun off");
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_TRUE(Contains(run.err, "administrator rights are needed")) << run.err;
    }
    EXPECT_EQ(Read(kMachineAutorun), Dword(0));
    EXPECT_EQ(Read(kUserAutorun), Dword(255));
}

TEST_F(CommandLineTest, PasswordGuardsSetButNotStatus) {
    const std::optional<std::wstring> hashed = password::HashNewPassword(L"P\u00e4ss word", 1000);
    ASSERT_TRUE(hashed);
    struct Case {
        Stored stored;
        const wchar_t* options;
        std::string input;
        DWORD exitCode;
        std::string said;
    };
    const std::string utf8 = "P\xc3\xa4ss word";
    const Case cases[] = {
        {Text(*hashed), L"", utf8 + "\n", 1, "--password-stdin"},
        {Text(*hashed), L" --password-stdin", "", 1, "no password could be read"},
        {Text(*hashed), L" --password-stdin", "p\xc3\xa4ss word\n", 1, "Invalid password."},
        {Text(*hashed), L" --password-stdin", utf8 + " \n", 1, "Invalid password."},
        {Text(*hashed), L" --password-stdin", utf8 + "\r\nnext line\r\n", 0, ""},
        {Text(*hashed), L" --password-stdin", utf8, 0, ""},
        {Text(L"plain old"), L" --password-stdin", "plain old\n", 0, ""},
        {Text(L""), L"", "", 0, ""},
        // A store that cannot be read lets nobody through.
        {Dword(1), L" --password-stdin", utf8 + "\n", 1, "the stored password cannot be read"},
    };
    for (const Case& c : cases) {
        Write(kStart, Dword(3));
        Write(kPassword, c.stored);
        const Outcome run = RunKelvane(std::wstring(L"set usb-lock on") + c.options, c.input);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_TRUE(Contains(run.err, c.said)) << run.err;
        EXPECT_EQ(Read(kStart), Dword(c.exitCode == 0 ? 4 : 3)) << run.err;

        const Outcome status = RunKelvane(L"status");
        EXPECT_EQ(status.exitCode, 0u) << status.err;
    }
}

TEST_F(CommandLineTest, UsageErrorsChangeNothing) {
    Write(kWriteProtect, Dword(0));
    Write(kStart, Dword(3));
    Write(kMachineAutorun, Dword(0));
    Write(kUserAutorun, Dword(0));
    for (const wchar_t* arguments :
         {L"sett usb-lock on", L"set usb-lock", L"set usb-lock maybe", L"set usb-locks on",
          L"set write-protect on extra", L"set autorun off --password=secret", L"status --xml"}) {
        const Outcome run = RunKelvane(arguments);
        EXPECT_EQ(run.exitCode, 2u) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with("kelvane: ")) << run.err;
        EXPECT_TRUE(Contains(run.err, "Usage: ")) << run.err;
        EXPECT_FALSE(Contains(run.err, "secret")) << run.err;
    }
    EXPECT_EQ(Read(kWriteProtect), Dword(0));
    EXPECT_EQ(Read(kStart), Dword(3));
    EXPECT_EQ(Read(kMachineAutorun), Dword(0));
    EXPECT_EQ(Read(kUserAutorun), Dword(0));
}

TEST(CommandLineHelp, HelpAndVersionGoToStandardOutput) {
    for (const wchar_t* arguments : {L"--help", L"-h", L"/?", L"help"}) {
        const Outcome run = RunKelvane(arguments);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(run.out.starts_with("Usage:\r\n")) << run.out;
        EXPECT_EQ(run.err, "");
    }
    const Outcome version = RunKelvane(L"--version");
    EXPECT_EQ(version.exitCode, 0u);
    EXPECT_EQ(version.out, "Kelvane " KELVANE_VERSION "\r\n");
}

} // namespace
} // namespace kv::test
