// Main of the window tests: COM for the pictures, the common controls, and a program end
// that tests can observe instead of a quit message.

#include "tests/support/ui_driver.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <objbase.h>

int main(int argc, char** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS);
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    kv::test::ResetProgramEnded();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    ::CoUninitialize();
    return result;
}
