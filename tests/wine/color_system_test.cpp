// The colour system through the backend: reading a profile's tags, installing a profile and
// associating it with the monitor, against Wine's mscms. The calibration-management switch is not
// called: Wine does not implement it and ends the process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/color_system.h"
#include "platform/display.h"

#include "wine_support.h"

#include <windows.h>

#include <icm.h>

namespace {

constexpr platform::TAGTYPE kPngm = 0x706E676D;
constexpr platform::TAGTYPE kPntp = 0x706E7470;
constexpr platform::TAGTYPE kWtpt = 0x77747074;

std::u16string U(const std::wstring& text) {
    return {text.begin(), text.end()};
}

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

    platform::HPROFILE Open() {
        const std::u16string path = U(path_);
        platform::Profile profile{PROFILE_FILENAME, const_cast<char16_t*>(path.c_str()),
                                  static_cast<platform::DWORD>((path.size() + 1) * sizeof(char16_t))};
        return platform::OpenColorProfileW(&profile, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
    }

    std::wstring root_;
    std::string profileBytes_;
    std::wstring name_;
    std::wstring path_;
};

TEST_F(ColorSystemTest, PrivateTagReadsAsItsRawBytes) {
    const platform::HPROFILE profile = Open();
    ASSERT_NE(profile, nullptr);

    platform::BOOL present = FALSE;
    ASSERT_TRUE(platform::IsColorProfileTagPresent(profile, kPngm, &present));
    EXPECT_TRUE(present);
    ASSERT_TRUE(platform::IsColorProfileTagPresent(profile, kWtpt, &present));
    EXPECT_TRUE(present);
    ASSERT_TRUE(platform::IsColorProfileTagPresent(profile, kPntp, &present));
    EXPECT_FALSE(present);

    platform::DWORD size = 0;
    platform::BOOL reference = FALSE;
    // The size query's own result is FALSE on Wine (no buffer to fill); the size is what counts.
    platform::GetColorProfileElement(profile, kPngm, 0, &size, nullptr, &reference);
    // textDescriptionType: type, reserved, ASCII count, "Panel abc" and its terminator, the empty rest.
    ASSERT_EQ(size, 12u + 10u + 8u + 70u);
    std::vector<char> tag(size);
    ASSERT_TRUE(platform::GetColorProfileElement(profile, kPngm, 0, &size, tag.data(), &reference));
    EXPECT_EQ(std::string(tag.data(), 4), "desc");
    EXPECT_EQ(std::string(tag.data() + 12), "Panel abc");

    EXPECT_FALSE(platform::GetColorProfileElement(profile, kPntp, 0, &size, nullptr, &reference));
    EXPECT_TRUE(platform::CloseColorProfile(profile));
}

TEST_F(ColorSystemTest, MissingOrDamagedFileDoesNotOpen) {
    path_ = root_ + L"\\absent.icm";
    EXPECT_EQ(Open(), nullptr);
    path_ = root_ + L"\\damaged.icm";
    wine_test::WriteFileBytes(path_, profileBytes_.substr(0, 100));
    EXPECT_EQ(Open(), nullptr);
}

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
