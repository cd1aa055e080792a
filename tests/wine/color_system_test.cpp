// The colour system through the backend: installing a profile and associating it with the monitor,
// against Wine's mscms (reading profiles is in the conformance suite). The calibration-management switch is
// not called: Wine does not implement it and ends the process.
#include <gtest/gtest.h>

#include <string>

#include "platform/color_system.h"
#include "platform/display.h"

#include "wine_support.h"

#include <windows.h>

#include <icm.h>

namespace {

constexpr platform::TAGTYPE kPngm = 0x706E676D;

using wine_test::U;

class ColorSystemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = wine_test::MakeTempFolder();
        profileBytes_ = wine_test::MakeProfile({{kPngm, "Panel abc"}});
        // A name of its own per run, so that installing it never meets an earlier copy.
        name_ = L"TintfoldTest" + std::to_wstring(GetCurrentProcessId()) + L"_CMDEF.icm";
        path_ = root_ + L"\\" + name_;
        wine_test::WriteFileBytes(path_, profileBytes_);
    }
    void TearDown() override { wine_test::RemoveTree(root_); }

    std::wstring root_;
    std::string profileBytes_;
    std::wstring name_;
    std::wstring path_;
};

TEST_F(ColorSystemTest, InstalledProfileIsAssociatedWithTheMonitor) {
    ASSERT_TRUE(platform::InstallColorProfileW(nullptr, U(path_).c_str()));
    wchar_t directory[MAX_PATH] = {};
    DWORD directorySize = sizeof directory;
    ASSERT_TRUE(GetColorDirectoryW(nullptr, directory, &directorySize));
    const std::wstring installed = std::wstring(directory) + L"\\" + name_;
    EXPECT_EQ(wine_test::ReadFileBytes(installed), profileBytes_);

    // The monitor of the primary adapter, as display discovery would record it.
    platform::DisplayDeviceW adapter{};
    adapter.cb = sizeof adapter;
    for (platform::DWORD i = 0; platform::EnumDisplayDevicesW(nullptr, i, &adapter, 0); ++i) {
        if (adapter.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) {
            break;
        }
    }
    platform::DisplayDeviceW monitor{};
    monitor.cb = sizeof monitor;
    ASSERT_TRUE(platform::EnumDisplayDevicesW(adapter.DeviceName, 0, &monitor, 0));

    EXPECT_TRUE(platform::AssociateColorProfileWithDeviceW(nullptr, U(name_).c_str(), monitor.DeviceID));
    // A profile that is not installed cannot be associated.
    EXPECT_FALSE(
        platform::AssociateColorProfileWithDeviceW(nullptr, u"TintfoldNotInstalled.icm", monitor.DeviceID));

    UninstallColorProfileW(nullptr, installed.c_str(), TRUE);
}

} // namespace
