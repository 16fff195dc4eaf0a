#pragma once
// The program's only road to the protections' registry values: DWORD values addressed
// by a text key path "ROOT\sub\key". Failures never reach the caller as errors; each one
// becomes a line for the main window's error list (and "Error" for a failed read).

#include "registry/reg_api.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kv::reg::mdl_RegFunctions {

// What GetDWordValue returns: nothing (the path named no root), an error, or a number.
class RegReadResult {
public:
    enum class Form { Empty, Error, Number };

    static RegReadResult Empty() { return RegReadResult(Form::Empty, 0); }
    static RegReadResult Error() { return RegReadResult(Form::Error, 0); }
    static RegReadResult Number(std::int32_t value) { return RegReadResult(Form::Number, value); }

    Form form() const { return form_; }
    std::int32_t number() const { return value_; }
    // "", "Error" or the signed decimal number ("-1" for 0xFFFFFFFF).
    std::string Text() const;

    bool operator==(const RegReadResult&) const = default;

private:
    RegReadResult(Form form, std::int32_t value) : form_(form), value_(value) {}
    Form form_;
    std::int32_t value_;
};

void SetDWordValue(const std::string& keyPath, const std::string& valueName, std::int32_t value);
RegReadResult GetDWordValue(const std::string& keyPath, const std::string& valueName);
void CreateKey(const std::string& keyPath);

// Helpers of the three operations, public so they can be tested on their own.
void ParseKeyPath(std::string& keyPath, std::uint32_t& rootKey);
std::uint32_t GetRootKey(const std::string& rootName);
std::string GetErrorText(std::int32_t code);

// Where error lines go (the main window's lstErrs). Without a sink they are dropped.
using ErrorSink = std::function<void(const std::string& line)>;
void SetErrorSink(ErrorSink sink);

// Which registry the module talks to; the Windows build starts with the real one, and
// SetRegistryApi(nullptr) returns to it. A native build has no default: an operation
// called before SetRegistryApi throws std::logic_error and touches nothing.
void SetRegistryApi(reg::RegistryApi* api);
reg::RegistryApi* CurrentRegistryApi();

// The failure codes of the registry calls since the last TakeFailures(), oldest first;
// taking them clears the list. A caller takes them before an operation and after it, to
// tell a refusal (5, access denied) from other failures; the module itself stays silent.
std::vector<std::int32_t> TakeFailures();

// The module's state, readable for tests.
struct ModuleState {
    reg::HandleValue KeyHandle = 0;
    std::uint32_t RootKey = 0;
    std::int32_t LastStatus = 0;
    std::uint32_t DWordBuffer = 0;
};
const ModuleState& State();
void ResetStateForTesting();

} // namespace kv::reg::mdl_RegFunctions
