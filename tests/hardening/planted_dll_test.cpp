// A copy of kelvane.exe beside stub DLLs named as system DLLs that it, the C run-time or a
// crypto provider may load, with Wine told to prefer a DLL found on the search path over
// its own: started as a window and as a command line, the program loads none of them.
//
// Left out because Wine itself loads them from the program's folder whatever the program
// does: version.dll (Wine's user32 imports it, and a stub breaks every windowed program
// before its first instruction), uxtheme.dll and ole32.dll (loaded late by Wine on its own).

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

namespace {

constexpr std::array<const wchar_t*, 6> kPlanted = {L"bcrypt",    L"crypt32", L"rsaenh",
                                                    L"cryptbase", L"dwmapi",  L"cfgmgr32"};

std::wstring BuildFolder() {
    wchar_t self[MAX_PATH + 1] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    path.erase(path.find_last_of(L'\\') + 1);
    return path;
}

std::wstring FromBuild(std::string_view relative) {
    std::wstring path = BuildFolder();
    for (const char c : relative) {
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    }
    return path;
}

// Wine prefers its own DLLs to files of the same name; this asks it, for kelvane.exe only,
// to take a DLL found on the search path first, as Windows does for names that are not
// KnownDLLs. (WINEDLLOVERRIDES would do the same, but Wine reads it from the Unix
// environment, which a Windows program cannot hand its child.)
constexpr wchar_t kOverrides[] = L"Software\\Wine\\AppDefaults\\kelvane.exe\\DllOverrides";

struct Shown {
    DWORD process = 0;
    bool seen = false;
};

BOOL CALLBACK CloseWindowsOf(HWND window, LPARAM context) {
    auto& shown = *reinterpret_cast<Shown*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == shown.process && ::IsWindowVisible(window)) {
        shown.seen = true;
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

class PlantedDlls : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1];
        ::GetTempPathW(MAX_PATH + 1, temp);
        folder_ = std::wstring(temp) + L"kv-plant-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        folder_ += L'\\';
        ASSERT_TRUE(::CopyFileW(FromBuild(KELVANE_EXE_FROM_TEST).c_str(),
                                (folder_ + L"kelvane.exe").c_str(), FALSE));
        HKEY overrides = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_SET_VALUE,
                                    nullptr, &overrides, nullptr),
                  ERROR_SUCCESS);
        for (const wchar_t* name : kPlanted) {
            const wchar_t order[] = L"native,builtin";
            ::RegSetValueExW(overrides, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(order),
                             sizeof(order));
        }
        ::RegCloseKey(overrides);
        for (const wchar_t* name : kPlanted) {
            ASSERT_TRUE(
                ::CopyFileW(FromBuild("kv_planted_stub.dll").c_str(), Dll(name).c_str(), FALSE));
        }
    }

    void TearDown() override {
        for (const wchar_t* name : kPlanted) {
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kOverrides, name);
            ::DeleteFileW(Dll(name).c_str());
            ::DeleteFileW((Dll(name) + L".loaded").c_str());
        }
        ::DeleteFileW((folder_ + L"kelvane.exe").c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }

    std::wstring Dll(const wchar_t* name) const { return folder_ + name + L".dll"; }

    // Runs the copy with `arguments`; a window it shows is asked to close once it is up.
    // The exit code, or ~0u when it could not be started.
    DWORD Run(const std::wstring& arguments, bool closeWindow) {
        std::wstring commandLine = L"\"" + folder_ + L"kelvane.exe\"" + arguments;
        STARTUPINFOW startup{sizeof startup};
        PROCESS_INFORMATION process{};
        if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder_.c_str(), &startup, &process)) {
            ADD_FAILURE() << "CreateProcess: " << ::GetLastError();
            return ~0u;
        }
        Shown shown{process.dwProcessId};
        const ULONGLONG deadline = ::GetTickCount64() + 60000;
        while (::WaitForSingleObject(process.hProcess, 200) == WAIT_TIMEOUT) {
            if (closeWindow) {
                ::EnumWindows(CloseWindowsOf, reinterpret_cast<LPARAM>(&shown));
            }
            if (::GetTickCount64() > deadline) {
                ::TerminateProcess(process.hProcess, 99);
                ADD_FAILURE() << "kelvane.exe did not end";
                break;
            }
        }
        EXPECT_EQ(shown.seen, closeWindow) << "a window was (not) shown";
        DWORD code = 0;
        ::GetExitCodeProcess(process.hProcess, &code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        return code;
    }

    std::wstring Loaded() const {
        std::wstring loaded;
        for (const wchar_t* name : kPlanted) {
            if (::GetFileAttributesW((Dll(name) + L".loaded").c_str()) != INVALID_FILE_ATTRIBUTES) {
                loaded += std::wstring(loaded.empty() ? L"" : L", ") + name + L".dll";
            }
        }
        return loaded;
    }

    std::wstring folder_;
};

TEST_F(PlantedDlls, AStubLeavesItsMarkerWhenLoaded) {
    // Without this, "no marker" could mean the stubs never work.
    const HMODULE stub = ::LoadLibraryW(Dll(L"dwmapi").c_str());
    ASSERT_NE(stub, nullptr);
    ::FreeLibrary(stub);
    EXPECT_EQ(Loaded(), L"dwmapi.dll");
}

TEST_F(PlantedDlls, NoneLoadsForTheCommandLine) {
    EXPECT_EQ(Run(L" status", false), 0u);
    EXPECT_EQ(Loaded(), L"") << "loaded from beside the exe";
}

TEST_F(PlantedDlls, NoneLoadsForTheWindow) {
    EXPECT_EQ(Run(L"", true), 0u);
    EXPECT_EQ(Loaded(), L"") << "loaded from beside the exe";
}

} // namespace
