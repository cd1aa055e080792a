// The conformance suite of the platform layer: each test runs against the simulated machine (in
// tintfold_tests) and against the real Windows backend under Wine (in tintfold_wine_tests), with the
// same assertions. The fixture sets up what a test needs on the machine; each backend implements it
// (conformance/sim/conformance_machine.cpp, conformance/win32/conformance_machine.cpp; the build takes the
// one of its backend).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "platform/types.h"

namespace conformance {

class ConformanceTest : public ::testing::Test {
  protected:
    ConformanceTest();
    ~ConformanceTest() override;
    void SetUp() override;
    void TearDown() override;

    // An empty folder on drive C: that belongs to this test ("C:\...", no trailing separator),
    // removed with everything in it when the test ends.
    const std::u16string& Scratch() const;
    // Files on the machine, by Windows path. WriteFile replaces the file; the folder must exist.
    void WriteFile(const std::u16string& path, std::string_view bytes) const;
    // The file's bytes; the test fails when the file cannot be read.
    std::string ReadFile(const std::u16string& path) const;
    bool IsFile(const std::u16string& path) const;
    bool IsFolder(const std::u16string& path) const;
    void MakeFolder(const std::u16string& path) const;
    // A symbolic link at link (whose folder exists) to target, which need not exist: a host link on the
    // sim, a Unix one under Wine (whose CreateSymbolicLinkW makes nothing), CreateSymbolicLinkW on Windows.
    void MakeLink(const std::u16string& link, const std::u16string& target) const;

    // A registry key below HKLM (64-bit view) that belongs to this test and is removed when it ends, as
    // the path that RegOpenKeyExW takes below HKLM. Values are set on it (subKey empty) or on a key
    // below it, before the test opens them: the sim reloads its machine for each value.
    const std::u16string& RegistryKey() const;
    void SetDword(const std::u16string& subKey, const std::u16string& name, platform::DWORD value) const;
    void SetString(const std::u16string& subKey, const std::u16string& name,
                   const std::u16string& value) const;

    // The machine's ANSI code page.
    platform::UINT AnsiCodePage() const;

    // Where Wine is known to answer other than Windows: true under Wine, and the evidence (a Wine test
    // in dlls/*/tests, which passes on Windows, or a Microsoft documentation page) goes into the test's
    // record. The check it guards runs on the sim and on Windows itself.
    static bool WineDiffers(const char* evidence);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace conformance
