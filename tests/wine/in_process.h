// Common ground of the tests that run the tool's routines in the test process under Wine, beside
// Wine's own programs.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/com.h"
#include "wine_support.h"

#include <windows.h>

namespace wine_test {

// A suite whose tests use COM in this process (multithreaded, as the tool's run does).
class InProcessTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // The desktop process starts with the first process that needs a desktop and inherits that
        // process's handles; started from here, it cannot hold a child's output pipe open.
        GetDesktopWindow();
        ASSERT_GE(platform::CoInitializeEx(nullptr, platform::COINIT_MULTITHREADED), 0);
    }
    static void TearDownTestSuite() { platform::CoUninitialize(); }
};

} // namespace wine_test
