// The shell calls load shell32 on their own and keep the shell's answer when they fail.

#include "win32/shell.h"
#include "win32/shell_unelevated.h"

#include <gtest/gtest.h>

#include <string>

namespace kv::win32 {
namespace {

TEST(Shell, AFailedStartKeepsItsOwnReason) {
    // The caller tells a declined elevation prompt from other failures by this code, and
    // COM ends between the shell's answer and the caller reading it.
    SHELLEXECUTEINFOW run{sizeof(run)};
    run.fMask = SEE_MASK_FLAG_NO_UI;
    run.lpVerb = L"open";
    run.lpFile = L"C:\\no such folder\\no such program.exe";
    run.nShow = SW_SHOWNORMAL;
    EXPECT_FALSE(ShellExecuteExNow(run));
    const DWORD error = ::GetLastError();
    EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
    EXPECT_LE(reinterpret_cast<INT_PTR>(run.hInstApp), 32);
}

TEST(Shell, SplitsACommandLineAsTheSystemDoes) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgv(L"\"C:\\a b\\kelvane.exe\" set usb-lock on", &count);
    ASSERT_NE(arguments, nullptr);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(std::wstring(arguments[0]), L"C:\\a b\\kelvane.exe");
    EXPECT_EQ(std::wstring(arguments[2]), L"usb-lock");
    ::LocalFree(arguments);
}

TEST(Shell, TheDesktopShellStartsWhatItIsGiven) {
    // A batch file that leaves a marker: started by the desktop's shell process, not ours.
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring base =
        std::wstring(temp) + L"kv-desktop-" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring batch = base + L".bat";
    const std::wstring marker = base + L".txt";
    const std::string body = "echo started> \"" + std::string(marker.begin(), marker.end()) +
                             "\"\r\n"; // the temp path is ASCII here
    const HANDLE file =
        ::CreateFileW(batch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, body.data(), static_cast<DWORD>(body.size()), &written, nullptr);
    ::CloseHandle(file);

    EXPECT_EQ(ShellExecuteUnelevated(batch), S_OK);
    bool started = false;
    for (int i = 0; i < 200 && !started; ++i) {
        started = ::GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
        ::Sleep(50);
    }
    EXPECT_TRUE(started);
    ::Sleep(200); // the batch file may still hold its own file open
    ::DeleteFileW(marker.c_str());
    ::DeleteFileW(batch.c_str());
}

TEST(Shell, CopiesTextToTheClipboard) {
    const std::wstring address = L"http://example.com/\u00e9?a=1&b=2";
    ASSERT_TRUE(CopyTextToClipboard(nullptr, address));
    ASSERT_TRUE(::OpenClipboard(nullptr));
    const HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    const auto* text = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : nullptr;
    EXPECT_EQ(std::wstring(text ? text : L"<none>"), address);
    if (text) {
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
}

} // namespace
} // namespace kv::win32
