// Display devices and the display configuration: enumeration order and ends, buffer sizes, the
// source name of an active path.
#include <set>
#include <string>
#include <vector>

#include "conformance/conformance.h"
#include "platform/display.h"
#include "platform/text.h"

namespace {

using namespace platform;

class DisplayConformance : public conformance::ConformanceTest {
  protected:
    static std::vector<DisplayDeviceW> Enumerate(const char16_t* device) {
        std::vector<DisplayDeviceW> found;
        for (DWORD index = 0;; ++index) {
            DisplayDeviceW record{};
            record.cb = sizeof record;
            if (!EnumDisplayDevicesW(device, index, &record, 0)) {
                return found;
            }
            EXPECT_EQ(record.cb, sizeof record);
            found.push_back(record);
        }
    }

    // The active paths, with their count checked against the sizes asked for first.
    static std::vector<DisplayConfigPathInfo> ActivePaths() {
        UINT32 paths = 0;
        UINT32 modes = 0;
        EXPECT_EQ(GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &paths, &modes), 0);
        std::vector<DisplayConfigPathInfo> pathArray(paths);
        std::vector<DisplayConfigModeInfo> modeArray(modes);
        EXPECT_EQ(QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &paths, pathArray.data(), &modes,
                                     modeArray.data(), nullptr),
                  0);
        EXPECT_LE(paths, pathArray.size());
        pathArray.resize(paths);
        return pathArray;
    }
};

TEST_F(DisplayConformance, AdaptersAndTheirMonitors) {
    const std::vector<DisplayDeviceW> adapters = Enumerate(nullptr);
    ASSERT_FALSE(adapters.empty());
    int primaries = 0;
    for (const DisplayDeviceW& adapter : adapters) {
        const bool primary = (adapter.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0;
        primaries += primary ? 1 : 0;
        // A monitor's name is its adapter's followed by its own part; names match whatever their case.
        const std::u16string adapterName = adapter.DeviceName;
        const std::vector<DisplayDeviceW> monitors = Enumerate(adapter.DeviceName);
        EXPECT_EQ(Enumerate(platform::UpperAsciiText(adapterName).c_str()).size(), monitors.size());
        bool active = false;
        for (const DisplayDeviceW& monitor : monitors) {
            active = active || (monitor.StateFlags & DISPLAY_DEVICE_ACTIVE) != 0;
            EXPECT_EQ(std::u16string(monitor.DeviceName).rfind(adapterName + u"\\", 0), 0u)
                << Utf16ToUtf8(monitor.DeviceName);
        }
        // The primary adapter drives an active monitor.
        EXPECT_TRUE(active || !primary);
    }
    EXPECT_EQ(primaries, 1);
    EXPECT_TRUE(Enumerate(u"\\\\.\\NOSUCHDISPLAY").empty());
}

TEST_F(DisplayConformance, ActivePathsNameEnumeratedAdapters) {
    const std::vector<DisplayConfigPathInfo> paths = ActivePaths();
    ASSERT_FALSE(paths.empty());
    std::set<std::u16string> adapterNames;
    for (const DisplayDeviceW& adapter : Enumerate(nullptr)) {
        adapterNames.insert(adapter.DeviceName);
    }
    for (const DisplayConfigPathInfo& path : paths) {
        DisplayConfigSourceDeviceName request{};
        request.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
        request.header.size = sizeof request;
        request.header.adapterId = path.sourceInfo.adapterId;
        request.header.id = path.sourceInfo.id;
        ASSERT_EQ(DisplayConfigGetDeviceInfo(&request.header), 0);
        EXPECT_EQ(adapterNames.count(request.viewGdiDeviceName), 1u)
            << Utf16ToUtf8(request.viewGdiDeviceName);
    }

    // A request of the wrong size is refused.
    DisplayConfigSourceDeviceName wrong{};
    wrong.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
    wrong.header.size = sizeof wrong - 2;
    wrong.header.adapterId = paths[0].sourceInfo.adapterId;
    wrong.header.id = paths[0].sourceInfo.id;
    EXPECT_EQ(DisplayConfigGetDeviceInfo(&wrong.header), static_cast<LONG>(ERROR_INVALID_PARAMETER));
}

TEST_F(DisplayConformance, BufferSizesAndArguments) {
    UINT32 paths = 0;
    UINT32 modes = 0;
    ASSERT_EQ(GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &paths, &modes), 0);
    ASSERT_GT(paths, 0u);
    UINT32 otherPaths = 0;
    UINT32 otherModes = 0;
    EXPECT_EQ(GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, nullptr, &otherModes),
              static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GetDisplayConfigBufferSizes(0, &otherPaths, &otherModes),
              static_cast<LONG>(ERROR_INVALID_PARAMETER));

    std::vector<DisplayConfigPathInfo> pathArray(paths);
    std::vector<DisplayConfigModeInfo> modeArray(modes);
    // Room for every path but one mode too few.
    UINT32 pathCount = paths;
    UINT32 modeCount = modes - 1;
    EXPECT_EQ(QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, pathArray.data(), &modeCount,
                                 modeArray.data(), nullptr),
              static_cast<LONG>(ERROR_INSUFFICIENT_BUFFER));
    pathCount = paths;
    modeCount = modes;
    UINT32 topology = 0;
    EXPECT_EQ(QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, pathArray.data(), &modeCount,
                                 modeArray.data(), &topology),
              static_cast<LONG>(ERROR_INVALID_PARAMETER));
}

} // namespace
