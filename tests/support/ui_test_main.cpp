// Main of the window tests: COM for the pictures, the common controls, and a program end
// that tests can observe instead of a quit message.

#include "tests/support/ui_driver.h"
#include "win32/unique_handle.h"

#include <gtest/gtest.h>

#include <commctrl.h>

int main(int argc, char** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS);
    const kv::win32::ComScope com;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    kv::test::ResetProgramEnded();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
