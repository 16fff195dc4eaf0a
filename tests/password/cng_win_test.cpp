// bcrypt.dll is taken from the system folder only: a DLL that lies beside the program is
// never loaded by name, and a load that fails is reported instead of called through.

#include "password/cng_win.h"

#include <gtest/gtest.h>

#include <string>

namespace kv::password {
namespace {

std::wstring Folder(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetModuleFileNameW(module, path.data(), MAX_PATH));
    return path.substr(0, path.find_last_of(L'\\'));
}

bool SameFolder(std::wstring a, std::wstring b) {
    ::CharLowerW(a.data());
    ::CharLowerW(b.data());
    return a == b;
}

TEST(CngLibrary, LoadsBcryptFromTheSystemFolder) {
    const CngLibrary library;
    ASSERT_TRUE(library.ok());
    wchar_t system[MAX_PATH];
    ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    EXPECT_TRUE(SameFolder(Folder(library.module()), system)) << Folder(library.module());
    EXPECT_NE(Cng(), nullptr);
}

// kelvane_fake_cng.dll, built beside this test, exports the four names.
TEST(CngLibrary, NeverLoadsADllPlantedBesideTheProgram) {
    const std::wstring planted = Folder(nullptr) + L"\\kelvane_fake_cng.dll";
    ASSERT_TRUE(CngLibrary(planted.c_str()).ok()) << "the planted DLL itself would do";
    EXPECT_FALSE(CngLibrary(L"kelvane_fake_cng.dll").ok());
}

TEST(CngLibrary, ReportsAMissingDllOrMissingFunctions) {
    EXPECT_FALSE(CngLibrary(L"kelvane_no_such_library.dll").ok());
    EXPECT_FALSE(CngLibrary(L"version.dll").ok()); // a system DLL without them
}

} // namespace
} // namespace kv::password
