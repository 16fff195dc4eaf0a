// libFuzzer target: any text as a key path and any number as a result code. Parsing must
// agree with a plain reading of the path rules, every code must get a well-formed
// message, and the three operations (against the in-memory registry, with the code
// injected into one of the calls) must leave no key open and give a line exactly when
// they say they failed.
#include "registry/mdl_RegFunctions.h"
#include "tests/support/registry/reg_memory.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace mdl = kv::reg::mdl_RegFunctions;
using kv::test::RegCall;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::uint32_t ExpectedRoot(const std::string& name) {
    const char* names[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE",
                           "HKEY_USERS",        "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",
                           "HKEY_DYN_DATA"};
    for (std::uint32_t i = 0; i < 7; ++i) {
        if (name == names[i]) {
            return 0x80000000u + i;
        }
    }
    return 0;
}

void CheckParse(const std::string& input) {
    std::string path = input;
    std::uint32_t root = 12345;
    const std::optional<std::string> line = mdl::ParseKeyPath(path, root);
    const bool wellFormed =
        input.size() >= 5 && std::memcmp(input.data(), "HKEY_", 5) == 0 && input.back() != '\\';
    if (!wellFormed) {
        Check(root == 0 && path == input);
        Check(line == "Incorrect Format:\n\n" + input);
        return;
    }
    Check(!line);
    const std::size_t cut = input.find('\\');
    const std::string rootName = input.substr(0, cut);
    Check(root == ExpectedRoot(rootName));
    Check(path == (cut == std::string::npos ? std::string() : input.substr(cut + 1)));
}

void CheckErrorText(std::int32_t code) {
    const std::string text = mdl::GetErrorText(code);
    Check(!text.empty());
    const std::string undefined = "Undefined Error Code:  ";
    if (text.compare(0, undefined.size(), undefined) != 0) {
        return;
    }
    const std::string number = text.substr(undefined.size());
    if (code >= 0) {
        Check(number == " " + std::to_string(code));
    } else {
        Check(number == std::to_string(code));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::int32_t code = 0;
    std::uint8_t choice = 0;
    if (size >= 5) {
        std::memcpy(&code, data, 4);
        choice = data[4];
    }
    CheckErrorText(code);

    // The whole input is also the path, so that short inputs are paths too.
    const std::string input(reinterpret_cast<const char*>(data), size);
    CheckParse(input);

    kv::test::MemoryRegistry reg;
    reg.SetDWord(kv::reg::kHkeyLocalMachine, "SOFTWARE\\kv", "v", 1);
    reg.SetString(kv::reg::kHkeyCurrentUser, "", "v", "text");
    if (code != 0) {
        reg.FailNext(static_cast<RegCall>(choice % 5), code);
    }
    const std::string valueName = "v";
    switch ((choice / 5) % 3) {
    case 0: {
        const mdl::RegReadResult result = mdl::GetDWordValue(reg, input, valueName);
        using Form = mdl::RegReadResult::Form;
        // An error always has its line; empty has one only for a badly formed path.
        Check(result.form() != Form::Error || result.result().errorLine);
        Check(result.form() != Form::Number || result.result() == mdl::RegResult{});
        break;
    }
    case 1: {
        const mdl::RegResult result = mdl::SetDWordValue(reg, input, valueName, code);
        Check(result.code == 0 || result.errorLine);
        break;
    }
    default: {
        const mdl::RegResult result = mdl::CreateKey(reg, input);
        Check(result.code == 0 || !result.errorLine); // a failed creation is silent
        break;
    }
    }
    // Only an injected close failure may leave a key open.
    const bool closeFailed = !reg.Calls().empty() && reg.Calls().back().call == RegCall::CloseKey &&
                             reg.Calls().back().injected;
    Check(reg.OpenKeyCount() == (closeFailed ? 1u : 0u));
    return 0;
}
