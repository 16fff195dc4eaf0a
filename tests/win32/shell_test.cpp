// The shell calls load shell32 on their own and keep the shell's answer when they fail.

#include "win32/shell.h"

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

} // namespace
} // namespace kv::win32
