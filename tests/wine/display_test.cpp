// Display devices and display configuration through the backend, as Wine reports them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/display.h"
#include "platform/text.h"

#include <windows.h>

namespace {

std::vector<platform::DisplayDeviceW> Enumerate(const char16_t* device) {
    std::vector<platform::DisplayDeviceW> found;
    for (platform::DWORD index = 0;; ++index) {
        platform::DisplayDeviceW record{};
        record.cb = sizeof record;
        if (!platform::EnumDisplayDevicesW(device, index, &record, 0)) {
            return found;
        }
        found.push_back(record);
    }
}

TEST(DisplayTest, AdaptersAndMonitorsAreTheOnesWineReports) {
    const std::vector<platform::DisplayDeviceW> adapters = Enumerate(nullptr);
    ASSERT_FALSE(adapters.empty());
    int primaries = 0;
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        DISPLAY_DEVICEW real{};
        real.cb = sizeof real;
        ASSERT_TRUE(EnumDisplayDevicesW(nullptr, static_cast<DWORD>(i), &real, 0));
        const platform::DisplayDeviceW& adapter = adapters[i];
        EXPECT_EQ(std::u16string(adapter.DeviceName),
                  std::u16string(reinterpret_cast<const char16_t*>(real.DeviceName)));
        EXPECT_EQ(adapter.StateFlags, real.StateFlags);
        EXPECT_EQ(std::u16string(adapter.DeviceID),
                  std::u16string(reinterpret_cast<const char16_t*>(real.DeviceID)));
        EXPECT_EQ(std::u16string(adapter.DeviceKey),
                  std::u16string(reinterpret_cast<const char16_t*>(real.DeviceKey)));
        if (adapter.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) {
            ++primaries;
            // The vendor identifier follows the first "_" of a PCI adapter's identifier.
            EXPECT_NE(platform::WFind(adapter.DeviceID, u'_'), nullptr)
                << platform::Utf16ToUtf8(adapter.DeviceID);
            // The primary adapter drives at least one active monitor.
            bool active = false;
            for (const platform::DisplayDeviceW& monitor : Enumerate(adapter.DeviceName)) {
                active = active || (monitor.StateFlags & DISPLAY_DEVICE_ACTIVE) != 0;
                EXPECT_FALSE(std::u16string(monitor.DeviceID).empty());
            }
            EXPECT_TRUE(active);
        }
    }
    EXPECT_EQ(primaries, 1);
}

TEST(DisplayTest, ActivePathsNameEnumeratedAdapters) {
    platform::UINT32 paths = 0;
    platform::UINT32 modes = 0;
    ASSERT_EQ(platform::GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &paths, &modes), ERROR_SUCCESS);
    ASSERT_GT(paths, 0u);
    ASSERT_GT(modes, 0u);
    std::vector<platform::DisplayConfigPathInfo> pathArray(paths);
    std::vector<platform::DisplayConfigModeInfo> modeArray(modes);
    ASSERT_EQ(platform::QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &paths, pathArray.data(), &modes,
                                           modeArray.data(), nullptr),
              ERROR_SUCCESS);
    ASSERT_LE(paths, pathArray.size());

    std::set<std::u16string> adapterNames;
    for (const platform::DisplayDeviceW& adapter : Enumerate(nullptr)) {
        adapterNames.insert(adapter.DeviceName);
    }
    for (platform::UINT32 i = 0; i < paths; ++i) {
        platform::DisplayConfigSourceDeviceName request{};
        request.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
        request.header.size = sizeof request;
        request.header.adapterId = pathArray[i].sourceInfo.adapterId;
        request.header.id = pathArray[i].sourceInfo.id;
        ASSERT_EQ(platform::DisplayConfigGetDeviceInfo(&request.header), ERROR_SUCCESS);
        EXPECT_EQ(adapterNames.count(request.viewGdiDeviceName), 1u)
            << platform::Utf16ToUtf8(request.viewGdiDeviceName);
        // Wine reports its output technology as it sees it; record it for the reader of the log.
        RecordProperty("outputTechnology" + std::to_string(i),
                       std::to_string(pathArray[i].targetInfo.outputTechnology));
    }

    // A source name request of the wrong size is refused.
    platform::DisplayConfigSourceDeviceName wrong{};
    wrong.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
    wrong.header.size = sizeof wrong - 2;
    wrong.header.adapterId = pathArray[0].sourceInfo.adapterId;
    wrong.header.id = pathArray[0].sourceInfo.id;
    EXPECT_NE(platform::DisplayConfigGetDeviceInfo(&wrong.header), ERROR_SUCCESS);
}

} // namespace
