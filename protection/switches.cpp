#include "protection/switches.h"

#include "protection/switch_facts.h"

#include <algorithm>

namespace kv::protection {
namespace {

namespace mdl = reg::mdl_RegFunctions;
using Kind = SwitchState::Kind;

using reg::kAccessDenied;
// The only failure that says something about the state: the value (or its key) does not
// exist, which Windows reads as "not set".
using reg::kNotFound;

// Not stored because Windows refused its key or its store (access denied).
bool WasRefused(const ValueWrite& v) {
    return !v.Done() && (v.created.code == kAccessDenied || v.stored.code == kAccessDenied);
}

bool IsMissing(const mdl::RegReadResult& read) {
    return read.form() == mdl::RegReadResult::Form::Error && read.result().code == kNotFound;
}

// The key paths of a switch, in the order they are read and written.
std::vector<const char*> KeyPaths(const SwitchValues& values) {
    if (values.userKeyPath == nullptr) {
        return {values.keyPath};
    }
    return {values.keyPath, values.userKeyPath};
}

// One value: protecting only when it is exactly the protecting number.
SwitchState::Kind KindOf(const mdl::RegReadResult& read, const SwitchValues& values) {
    if (read.form() == mdl::RegReadResult::Form::Number) {
        return read.number() == values.protectionOn ? Kind::ProtectionOn : Kind::ProtectionOff;
    }
    return IsMissing(read) ? Kind::Missing : Kind::Unreadable;
}

// Autorun is suppressed as soon as either value says so, whatever the other gives; it is
// allowed only when neither can hide a 255.
SwitchState Combine(std::vector<mdl::RegReadResult> reads, const SwitchValues& values) {
    SwitchState state{Kind::Missing, 0, std::move(reads)};
    const mdl::RegReadResult* unreadable = nullptr;
    for (const mdl::RegReadResult& read : state.reads) {
        switch (KindOf(read, values)) {
        case Kind::ProtectionOn:
            state.kind = Kind::ProtectionOn;
            return state;
        case Kind::ProtectionOff:
            state.kind = Kind::ProtectionOff;
            break;
        case Kind::Unreadable:
            unreadable = unreadable ? unreadable : &read;
            break;
        case Kind::Missing:
            break;
        }
    }
    if (unreadable != nullptr) {
        state.kind = Kind::Unreadable;
        state.error = unreadable->result().code;
    }
    return state;
}

} // namespace

std::optional<OnOff> SwitchState::Known() const {
    switch (kind) {
    case Kind::ProtectionOn:
        return OnOff::On;
    case Kind::ProtectionOff:
    case Kind::Missing:
        return OnOff::Off;
    case Kind::Unreadable:
        break;
    }
    return std::nullopt;
}

bool WriteResult::Done() const {
    return std::ranges::all_of(values, &ValueWrite::Done);
}

bool WriteResult::Refused() const {
    return std::ranges::any_of(values, WasRefused);
}

std::string RefusedKeyPath(Switch which, const WriteResult& written) {
    const SwitchValues& values = ValuesOf(which);
    for (std::size_t i = 0; i < written.values.size(); ++i) {
        if (WasRefused(written.values[i])) {
            const char* key = i == 0 ? values.keyPath : values.userKeyPath;
            return key ? key : "";
        }
    }
    return {};
}

reg::Status WriteResult::FirstFailure() const {
    for (const ValueWrite& v : values) {
        if (!v.Done()) {
            // A key that could not be made explains the store that found no key.
            return v.created.code != 0 ? v.created.code : v.stored.code;
        }
    }
    return 0;
}

SwitchState Switches::Read(Switch which) const {
    const SwitchValues& values = ValuesOf(which);
    std::vector<mdl::RegReadResult> reads;
    for (const char* keyPath : KeyPaths(values)) {
        reads.push_back(mdl::GetDWordValue(registry_, keyPath, values.valueName));
    }
    return Combine(std::move(reads), values);
}

WriteResult Switches::Write(Switch which, OnOff to) {
    const SwitchValues& values = ValuesOf(which);
    const std::int32_t value = to == OnOff::On ? values.protectionOn : values.protectionOff;
    WriteResult result;
    for (const char* keyPath : KeyPaths(values)) {
        ValueWrite write;
        write.created = mdl::CreateKey(registry_, keyPath);
        write.stored = mdl::SetDWordValue(registry_, keyPath, values.valueName, value);
        result.values.push_back(std::move(write));
    }
    return result;
}

mdl::RegResult Switches::CreateKey(Switch which) {
    return mdl::CreateKey(registry_, ValuesOf(which).keyPath);
}

} // namespace kv::protection
