#pragma once
// Registry layers for tests: an in-memory registry that answers the five calls the way
// Windows does, and a recorder that sits in front of any layer (the in-memory one or the
// real one) to log every call, count the keys left open and inject result codes.
//
//   kv::test::MemoryRegistry reg;                     // store + recorder in one
//   reg.SetDWord(kv::reg::kHkeyLocalMachine, "SYSTEM\\x", "Start", 3);
//   reg.InjectFault({.call = kv::test::RegCall::SetValueEx, .result = 5});
//   kv::reg::mdl_RegFunctions::GetDWordValue(reg, path, name);
//   ...
//   EXPECT_EQ(reg.OpenKeyCount(), 0u);
//
// Both classes are safe to use from a test thread while another thread makes the calls.

#include "registry/reg_api.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kv::test {

// "HKEY_LOCAL_MACHINE" for a predefined root, otherwise its value in hex.
std::string RootName(reg::RootValue root);

// Keys and values in memory. Names compare without regard to ASCII case; sub-key paths
// follow Windows: "\" separates, empty parts inside or at the end are skipped, a leading
// "\" is ERROR_BAD_PATHNAME (161). Opening a root with an empty sub-key hands back the
// predefined handle itself; creating one hands out a new handle. Handles remember their
// access: a set needs KEY_SET_VALUE, a query KEY_QUERY_VALUE (else 5), and a handle whose
// key was deleted answers 1018. Data are kept as the bytes given, of any type.
class MemoryStore final : public reg::RegistryApi {
public:
    struct Value {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        bool operator==(const Value&) const = default;
    };

    MemoryStore();
    ~MemoryStore() override;
    MemoryStore(const MemoryStore&) = delete;
    MemoryStore& operator=(const MemoryStore&) = delete;

    // Seeding and inspection; they create missing keys where that makes sense and never
    // fail on a missing one. Sub-keys as for the calls ("a\b\c", "" for the root itself).
    void AddKey(reg::RootValue root, const std::string& subKey);
    void SetValue(reg::RootValue root, const std::string& subKey, const std::string& name,
                  std::uint32_t type, std::vector<std::uint8_t> data);
    void SetDWord(reg::RootValue root, const std::string& subKey, const std::string& name,
                  std::uint32_t value);
    // REG_SZ holding the text and its terminating NUL.
    void SetString(reg::RootValue root, const std::string& subKey, const std::string& name,
                   const std::string& text);
    // Deletes the key with everything below it; false when it did not exist.
    bool DeleteKey(reg::RootValue root, const std::string& subKey);
    bool DeleteValue(reg::RootValue root, const std::string& subKey, const std::string& name);
    bool KeyExists(reg::RootValue root, const std::string& subKey) const;
    std::optional<Value> GetValue(reg::RootValue root, const std::string& subKey,
                                  const std::string& name) const;
    // The value when it is a REG_DWORD of 4 bytes.
    std::optional<std::uint32_t> GetDWord(reg::RootValue root, const std::string& subKey,
                                          const std::string& name) const;
    // Handles handed out by OpenKeyEx/CreateKey and not closed yet (predefined ones aside).
    std::size_t OpenHandleCount() const;

    reg::Status OpenKeyEx(reg::RootValue root, const std::string& subKey, std::uint32_t options,
                     std::uint32_t access, reg::HandleValue& key) override;
    reg::Status CreateKey(reg::RootValue root, const std::string& subKey, reg::HandleValue& key) override;
    reg::Status QueryValueEx(reg::HandleValue key, const std::string& name, std::uint32_t& type, void* data,
                        std::uint32_t& size) override;
    reg::Status SetValueEx(reg::HandleValue key, const std::string& name, std::uint32_t type,
                      const void* data, std::uint32_t size) override;
    reg::Status CloseKey(reg::HandleValue key) override;
    reg::Status DeleteValue(reg::HandleValue key, const std::string& name) override;

private:
    struct Key;
    struct Handle;
    std::shared_ptr<Key> FindKey(reg::RootValue root, const std::string& subKey) const;
    std::shared_ptr<Key> MakeKey(reg::RootValue root, const std::string& subKey);
    reg::Status ResolveHandle(reg::HandleValue key, std::uint32_t accessNeeded,
                         std::shared_ptr<Key>& found) const;

    mutable std::mutex mutex_;
    std::map<reg::RootValue, std::shared_ptr<Key>> roots_;
    std::map<reg::HandleValue, Handle> handles_;
    reg::HandleValue nextHandle_ = 0x100;
};

enum class RegCall { OpenKeyEx, CreateKey, QueryValueEx, SetValueEx, CloseKey, DeleteValue };

// One call as the recorder saw it. For the calls on an open key, root and subKey name the
// key as it was opened (both empty when the handle was not handed out through the recorder).
struct CallRecord {
    RegCall call = RegCall::OpenKeyEx;
    reg::RootValue root = 0;
    std::string subKey;
    std::uint32_t options = 0;
    std::uint32_t access = 0;
    reg::HandleValue key = 0; // the handle passed in, or the one handed out
    std::string valueName;
    std::uint32_t type = 0;         // SetValueEx: the type passed; QueryValueEx: the preset type
    std::uint32_t size = 0;         // the size passed in
    std::vector<std::uint8_t> data; // SetValueEx: the bytes passed
    reg::Status result = 0;
    bool injected = false; // the result came from a fault, the call went no further

    // One line such as
    //   OpenKeyEx(HKEY_LOCAL_MACHINE, "SYSTEM\x", 0, KEY_WRITE) = 0
    //   SetValueEx(HKEY_LOCAL_MACHINE\SYSTEM\x, "Start", type 4, data 04000000) = 5 injected
    std::string Text() const;
};

// A result code to hand back instead of making a call. Unset fields match anything; subKey
// and valueName compare without regard to case. For the calls on an open key, root and
// subKey match the key as it was opened. access matches OpenKeyEx only.
struct Fault {
    RegCall call = RegCall::OpenKeyEx;
    reg::Status result = 0;
    std::optional<reg::RootValue> root;
    std::optional<std::string> subKey;
    std::optional<std::uint32_t> access;
    std::optional<std::string> valueName;
    int times = -1; // how many matching calls fail; -1 for every one
};

// Passes the five calls on to another layer, logging each one, counting the keys it saw
// opened and not yet closed, and failing calls that match an injected fault. A failed
// call reaches no further than the recorder: a failed CloseKey leaves the key open.
class RegistryRecorder : public reg::RegistryApi {
public:
    explicit RegistryRecorder(reg::RegistryApi& inner) : inner_(inner) {}
    RegistryRecorder(const RegistryRecorder&) = delete;
    RegistryRecorder& operator=(const RegistryRecorder&) = delete;

    // Faults are tried in the order they were added; the first that matches applies.
    void InjectFault(Fault fault);
    void FailNext(RegCall call, reg::Status result) {
        InjectFault({.call = call, .result = result, .times = 1});
    }
    void FailEvery(RegCall call, reg::Status result) { InjectFault({.call = call, .result = result}); }
    void ClearFaults();

    std::vector<CallRecord> Calls() const;
    std::vector<std::string> CallTexts() const;
    void ClearCalls();
    // Keys handed out by a successful OpenKeyEx or CreateKey and not closed successfully.
    std::size_t OpenKeyCount() const;

    reg::Status OpenKeyEx(reg::RootValue root, const std::string& subKey, std::uint32_t options,
                     std::uint32_t access, reg::HandleValue& key) override;
    reg::Status CreateKey(reg::RootValue root, const std::string& subKey, reg::HandleValue& key) override;
    reg::Status QueryValueEx(reg::HandleValue key, const std::string& name, std::uint32_t& type, void* data,
                        std::uint32_t& size) override;
    reg::Status SetValueEx(reg::HandleValue key, const std::string& name, std::uint32_t type,
                      const void* data, std::uint32_t size) override;
    reg::Status CloseKey(reg::HandleValue key) override;
    reg::Status DeleteValue(reg::HandleValue key, const std::string& name) override;

private:
    struct KeyName {
        reg::RootValue root = 0;
        std::string subKey;
    };
    std::optional<reg::Status> TakeFault(const CallRecord& call);
    void NameKey(CallRecord& call) const;
    void Opened(const CallRecord& call);
    reg::Status Finish(CallRecord call, reg::Status result);

    reg::RegistryApi& inner_;
    mutable std::mutex mutex_;
    std::vector<Fault> faults_;
    std::vector<CallRecord> calls_;
    // Every handle handed out and not closed, with the key it names (a predefined handle
    // may be handed out more than once).
    std::multimap<reg::HandleValue, KeyName> open_;
};

namespace detail {
struct MemoryStoreMember {
    MemoryStore store_;
};
} // namespace detail

// The in-memory registry behind a recorder: seed it, inject faults, hand it to the code
// under test, then check the calls, the open keys and the values.
class MemoryRegistry : private detail::MemoryStoreMember, public RegistryRecorder {
public:
    MemoryRegistry() : RegistryRecorder(store_) {}

    using RegistryRecorder::DeleteValue;

    MemoryStore& Store() { return store_; }
    const MemoryStore& Store() const { return store_; }

    void AddKey(reg::RootValue root, const std::string& subKey) { store_.AddKey(root, subKey); }
    void SetValue(reg::RootValue root, const std::string& subKey, const std::string& name,
                  std::uint32_t type, std::vector<std::uint8_t> data) {
        store_.SetValue(root, subKey, name, type, std::move(data));
    }
    void SetDWord(reg::RootValue root, const std::string& subKey, const std::string& name,
                  std::uint32_t value) {
        store_.SetDWord(root, subKey, name, value);
    }
    void SetString(reg::RootValue root, const std::string& subKey, const std::string& name,
                   const std::string& text) {
        store_.SetString(root, subKey, name, text);
    }
    bool DeleteKey(reg::RootValue root, const std::string& subKey) {
        return store_.DeleteKey(root, subKey);
    }
    bool DeleteValue(reg::RootValue root, const std::string& subKey, const std::string& name) {
        return store_.DeleteValue(root, subKey, name);
    }
    bool KeyExists(reg::RootValue root, const std::string& subKey) const {
        return store_.KeyExists(root, subKey);
    }
    std::optional<MemoryStore::Value> GetValue(reg::RootValue root, const std::string& subKey,
                                               const std::string& name) const {
        return store_.GetValue(root, subKey, name);
    }
    std::optional<std::uint32_t> GetDWord(reg::RootValue root, const std::string& subKey,
                                          const std::string& name) const {
        return store_.GetDWord(root, subKey, name);
    }
};

} // namespace kv::test
