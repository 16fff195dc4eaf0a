// winedrive: adds or removes a removable drive in the running Wine prefix, so scripts can
// plug and pull drives while a program runs.
//   winedrive add E: /unix/folder   (label: the folder's .windows-label file, if any)
//   winedrive remove E:

#include "tests/drives/wine_drive.h"

#include <windows.h>

#include <cstdio>
#include <cwctype>
#include <string>

namespace {

int Usage() {
    std::fputs("usage: winedrive add E: <unix folder>\n"
               "       winedrive remove E:\n",
               stderr);
    return 2;
}

// "E:" or "E" to the letter; 0 when it is neither.
wchar_t LetterOf(const wchar_t* arg) {
    const std::wstring text(arg);
    if (text.empty() || text.size() > 2 || (text.size() == 2 && text[1] != L':')) {
        return 0;
    }
    const wchar_t letter = static_cast<wchar_t>(std::towupper(text[0]));
    return (letter >= L'A' && letter <= L'Z') ? letter : 0;
}

// Wine hands us the Unix arguments as UTF-16; its Unix code page gives back the bytes.
std::string UnixBytes(const wchar_t* arg) {
    constexpr UINT kUnixCodePage = 65010; // Wine's CP_UNIXCP
    UINT codePage = kUnixCodePage;
    int size = WideCharToMultiByte(codePage, 0, arg, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        codePage = CP_UTF8;
        size = WideCharToMultiByte(codePage, 0, arg, -1, nullptr, 0, nullptr, nullptr);
    }
    if (size <= 0) {
        return std::string();
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, arg, -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back(); // the terminating NUL
    return bytes;
}

int Fail(const char* what, std::uint32_t code) {
    std::fprintf(stderr, "winedrive: %s failed (error %lu)\n", what,
                 static_cast<unsigned long>(code));
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        return Usage();
    }
    const std::wstring verb(argv[1]);
    const wchar_t letter = LetterOf(argv[2]);
    if (letter == 0) {
        return Usage();
    }
    if (!kv::test::RunningUnderWine()) {
        std::fputs("winedrive: this only works under Wine\n", stderr);
        return 1;
    }
    if (verb == L"add" && argc == 4) {
        const std::string folder = UnixBytes(argv[3]);
        if (folder.empty()) {
            return Usage();
        }
        const auto code = kv::test::DefineRemovableDrive(letter, folder);
        return code == 0 ? 0 : Fail("adding the drive", code);
    }
    if (verb == L"remove" && argc == 3) {
        const auto code = kv::test::RemoveDrive(letter);
        return code == 0 ? 0 : Fail("removing the drive", code);
    }
    return Usage();
}
