// Passes on a worker: one at a time, the result taken once on the owner's side, and an
// owner that goes while a pass hangs neither waits for it nor hears from it.

#include "drives/drive_pass.h"
#include "tests/drives/fake_drive_source.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace kv::drives::test {
namespace {

using namespace std::chrono_literals;

struct HeldSource {
    std::shared_ptr<DriveGate> gate = std::make_shared<DriveGate>();
    std::shared_ptr<FakeDriveSource> source = std::make_shared<FakeDriveSource>();
    HeldSource() {
        source->gate = gate;
        source->drives = {{L"E", DriveType::Removable, true, L"DATA"}};
        gate->Close();
    }
};

TEST(DrivePassesTest, OnePassAtATimeAndItsResultTakenOnce) {
    HeldSource held;
    std::atomic<int> notes = 0;
    DrivePasses passes;
    passes.Notify([&] { ++notes; });
    EXPECT_FALSE(passes.Start()) << "no source yet";
    passes.SetSource(held.source);

    ASSERT_TRUE(passes.Start());
    EXPECT_FALSE(passes.Start()) << "a second pass while one runs";
    EXPECT_FALSE(passes.WaitFor(50ms));
    EXPECT_TRUE(passes.Running());
    EXPECT_FALSE(passes.Take());

    held.gate->Open();
    ASSERT_TRUE(passes.WaitFor(5s));
    EXPECT_EQ(notes, 1);
    const auto line = passes.Take();
    ASSERT_TRUE(line && line->has_value());
    ASSERT_EQ(line->value().size(), 1u);
    EXPECT_EQ(line->value()[0].label, L"DATA");
    EXPECT_FALSE(passes.Take());

    held.source->Fail(21);
    ASSERT_TRUE(passes.Start());
    ASSERT_TRUE(passes.WaitFor(5s));
    const auto failed = passes.Take();
    ASSERT_TRUE(failed);
    ASSERT_FALSE(failed->has_value());
    EXPECT_EQ(failed->error().code, 21u);
    EXPECT_EQ(held.gate->Passed(), 2);
}

// A device or policy change reaches the source at once, also while a pass hangs in it, and
// is nothing without a source.
TEST(DrivePassesTest, ChangesReachTheSourceWhileAPassHangs) {
    DrivePasses passes;
    passes.DevicesChanged();
    passes.AccessChanged();

    HeldSource held;
    passes.SetSource(held.source);
    ASSERT_TRUE(passes.Start());
    passes.AccessChanged();
    passes.DevicesChanged();
    passes.AccessChanged();
    EXPECT_EQ(held.source->AccessChanges(), 2);
    EXPECT_EQ(held.source->Changes(), 1);
    held.gate->Open();
    ASSERT_TRUE(passes.WaitFor(5s));
}

TEST(DrivePassesTest, AnOwnerGoneDuringAHungPassNeitherWaitsNorHears) {
    HeldSource held;
    std::atomic<int> notes = 0;
    {
        DrivePasses passes;
        passes.Notify([&] { ++notes; });
        passes.SetSource(held.source);
        ASSERT_TRUE(passes.Start());
        const auto asked = std::chrono::steady_clock::now();
        while (held.gate->Held() == 0 && std::chrono::steady_clock::now() - asked < 5s) {
            std::this_thread::yield();
        }
        ASSERT_EQ(held.gate->Held(), 1);
    } // the pass is still held here
    std::weak_ptr<FakeDriveSource> source = held.source;
    held.source.reset(); // the hung pass alone keeps its source now
    EXPECT_FALSE(source.expired());

    held.gate->Open();
    ASSERT_TRUE(held.gate->WaitUntilPassed(1, 5s));
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!source.expired() && std::chrono::steady_clock::now() < end) {
        std::this_thread::yield();
    }
    EXPECT_TRUE(source.expired()) << "the worker let its source go when it ended";
    EXPECT_EQ(notes, 0);
}

} // namespace
} // namespace kv::drives::test
