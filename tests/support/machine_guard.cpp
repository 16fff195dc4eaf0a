// Linked into a test program as an object (kelvane_test(... CHANGES_MACHINE)), never
// from an archive, so the guard registers itself before main runs, whichever main it is.

#include "tests/support/machine_guard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kv::test {
namespace {

std::string Narrow(std::wstring_view text) {
    std::string narrow;
    for (wchar_t c : text) {
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return narrow;
}

std::string Describe(const GuardedKey& key) {
    return (key.root == HKEY_LOCAL_MACHINE ? "HKLM\\" : "HKCU\\") + Narrow(key.path);
}

// Refuses before the first test and restores after the last one, whatever happened between.
class MachineGuard final : public ::testing::Environment {
public:
    void SetUp() override {
        if (!MayChangeThisMachine()) {
            std::string keys;
            for (const GuardedKey& key : GuardedKeys()) {
                keys += "\n  " + Describe(key);
            }
            GTEST_FAIL() << "Refusing to run: these tests change what protects this machine:"
                         << keys
                         << "\nRun them under Wine (scripts/test.sh), or set "
                            "KELVANE_TESTS_MAY_CHANGE_THIS_MACHINE=1 on a machine whose "
                            "protections may change while they run; they put back what "
                            "they changed when they end.";
        }
        for (const GuardedKey& key : GuardedKeys()) {
            snapshots_.push_back(std::make_unique<KeySnapshot>(key.root, key.path));
            if (!snapshots_.back()->taken()) {
                GTEST_FAIL() << "Could not save " << Describe(key) << "; nothing was changed.";
            }
        }
    }

    void TearDown() override {
        for (std::size_t i = 0; i < snapshots_.size(); ++i) {
            EXPECT_TRUE(snapshots_[i]->Restore())
                << "Could not put back " << Describe(GuardedKeys()[i]);
        }
        snapshots_.clear();
    }

private:
    std::vector<std::unique_ptr<KeySnapshot>> snapshots_;
};

[[maybe_unused]] ::testing::Environment* const kGuard =
    ::testing::AddGlobalTestEnvironment(new MachineGuard);

} // namespace
} // namespace kv::test
