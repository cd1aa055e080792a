// Standard output of a piece of code run in the test's process.
#pragma once

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

template <typename Fn> std::string CaptureStdout(Fn&& run) {
    std::fflush(stdout);
    ::testing::internal::CaptureStdout();
    run();
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}
