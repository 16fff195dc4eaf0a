#pragma once
// The program's only road to the protections' registry values: DWORD values addressed
// by a text key path "ROOT\sub\key", over the registry layer the caller hands in. Failures
// never reach the caller as errors: each operation returns what became of it, with the
// line the main window's error list shows for it.

#include "registry/reg_api.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kv::reg::mdl_RegFunctions {

// What an operation came to.
struct RegResult {
    // The result code of the registry call that failed; 0 when none failed (or none was
    // made, as for a path without a root).
    Status code = 0;
    // The line for the main window's error list, when the failure gives one: the format
    // line of a badly formed path, or GetErrorText of the code.
    std::optional<std::string> errorLine;

    bool ok() const { return code == 0 && !errorLine; }
    bool operator==(const RegResult&) const = default;
};

// What GetDWordValue returns: a bad path (one that names no root), an error, or a number.
class RegReadResult {
public:
    enum class Form { BadPath, Error, Number };

    static RegReadResult BadPath(RegResult why = {}) { return {Form::BadPath, 0, std::move(why)}; }
    static RegReadResult Error(RegResult why) { return {Form::Error, 0, std::move(why)}; }
    static RegReadResult Number(std::int32_t value) { return {Form::Number, value, {}}; }

    Form form() const { return form_; }
    std::int32_t number() const { return value_; }
    // Why there is no number: the failing call's code and the error line, if any.
    const RegResult& result() const { return why_; }
    // "", "Error" or the signed decimal number ("-1" for 0xFFFFFFFF): what the main
    // window's hidden value box holds after the read.
    std::string Text() const;

    bool operator==(const RegReadResult&) const = default;

private:
    RegReadResult(Form form, std::int32_t value, RegResult why)
        : form_(form), value_(value), why_(std::move(why)) {}
    Form form_;
    std::int32_t value_;
    RegResult why_;
};

// Stores the value in the existing key; does not create the key.
[[nodiscard]] RegResult SetDWordValue(RegistryApi& api, const std::string& keyPath,
                                      const std::string& valueName, std::int32_t value);
[[nodiscard]] RegReadResult GetDWordValue(RegistryApi& api, const std::string& keyPath,
                                          const std::string& valueName);
// A REG_QWORD (Kelvane's own records of what it added): stored in the existing key, and
// read back only when it is exactly a QWORD; nullopt when missing or unreadable.
[[nodiscard]] RegResult SetQWordValue(RegistryApi& api, const std::string& keyPath,
                                      const std::string& valueName, std::int64_t value);
[[nodiscard]] std::optional<std::int64_t>
GetQWordValue(RegistryApi& api, const std::string& keyPath, const std::string& valueName);
// Removes the value. A value (or key) that does not exist counts as removed.
[[nodiscard]] RegResult DeleteValue(RegistryApi& api, const std::string& keyPath,
                                    const std::string& valueName);
// Creates the key with any missing keys above it, or opens an existing one, and closes it
// again. A failure keeps its code but gives no error line.
[[nodiscard]] RegResult CreateKey(RegistryApi& api, const std::string& keyPath);

// Helpers of the three operations, public so they can be tested on their own.
// Splits the path into root and sub-key (root 0: none). A badly formed path is left as
// it is and gives its format line, which is returned.
std::optional<std::string> ParseKeyPath(std::string& keyPath, std::uint32_t& rootKey);
std::uint32_t GetRootKey(const std::string& rootName);
std::string GetErrorText(std::int32_t code);

} // namespace kv::reg::mdl_RegFunctions
