// Start-up that cannot make its main window: the user is told, nothing hidden stays behind,
// and the exit code says it failed.

#include "app/startup.h"
#include "tests/support/ui_driver.h"
#include "ui/design.h"

#include <gtest/gtest.h>

namespace kv::test {
namespace {

// A control placed on a picture box that is not there: the window exists before its
// controls fail, the half-made state a failing start-up leaves.
constexpr ui::ControlDesign kBroken[] = {
    {.id = 1, .name = L"orphan", .kind = ui::Kind::Label, .parent = 99, .text = L"x"},
};
constexpr ui::FormDesign kBrokenDesign{.caption = L"Broken start",
                                       .clientWidth = 1500,
                                       .clientHeight = 1500,
                                       .taskbarButton = true,
                                       .controls = kBroken};

TEST(StartUp, AWindowThatCannotBeMadeIsToldAndEndsWithAFailureCode) {
    ResetProgramEnded();
    ui::Form form(kBrokenDesign);
    MessageBoxSeen seen;
    AnswerMessageBox(IDOK, &seen);
    EXPECT_EQ(app::RunMainWindow(form), app::kStartupFailed);
    EXPECT_TRUE(AllShownActionsRan()) << "no message box";
    EXPECT_EQ(seen.icon, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(seen.text.rfind(L"Kelvane could not open its window.\r\n\r\n", 0), 0u) << seen.text;
    EXPECT_GT(seen.text.size(), 40u) << "the error itself is told";
    EXPECT_FALSE(form.IsLoaded());
    EXPECT_EQ(FindVisibleTopLevel(L"Broken start"), nullptr);
    EXPECT_EQ(ui::Form::LoadedCount(), 0) << "a hidden window would keep the program alive";
}

} // namespace
} // namespace kv::test
