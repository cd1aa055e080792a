// Display device enumeration and display configuration.
#include "platform/display.h"

#include <cstddef>

#include "platform/win32/win32.h"

// The platform's records are handed to Windows as they are, so their layouts must be the real ones.
static_assert(sizeof(platform::DisplayDeviceW) == sizeof(DISPLAY_DEVICEW));
static_assert(sizeof(platform::DisplayDeviceW) == 840);
static_assert(offsetof(platform::DisplayDeviceW, DeviceString) == offsetof(DISPLAY_DEVICEW, DeviceString));
static_assert(offsetof(platform::DisplayDeviceW, StateFlags) == offsetof(DISPLAY_DEVICEW, StateFlags));
static_assert(offsetof(platform::DisplayDeviceW, DeviceID) == offsetof(DISPLAY_DEVICEW, DeviceID));
static_assert(offsetof(platform::DisplayDeviceW, DeviceKey) == offsetof(DISPLAY_DEVICEW, DeviceKey));

static_assert(sizeof(platform::Luid) == sizeof(LUID));
static_assert(sizeof(platform::UINT32) == sizeof(DISPLAYCONFIG_TOPOLOGY_ID));
static_assert(sizeof(platform::DisplayConfigPathSourceInfo) == sizeof(DISPLAYCONFIG_PATH_SOURCE_INFO));
static_assert(offsetof(platform::DisplayConfigPathSourceInfo, id) ==
              offsetof(DISPLAYCONFIG_PATH_SOURCE_INFO, id));
static_assert(offsetof(platform::DisplayConfigPathSourceInfo, statusFlags) ==
              offsetof(DISPLAYCONFIG_PATH_SOURCE_INFO, statusFlags));
static_assert(sizeof(platform::DisplayConfigPathTargetInfo) == sizeof(DISPLAYCONFIG_PATH_TARGET_INFO));
static_assert(offsetof(platform::DisplayConfigPathTargetInfo, outputTechnology) ==
              offsetof(DISPLAYCONFIG_PATH_TARGET_INFO, outputTechnology));
static_assert(offsetof(platform::DisplayConfigPathTargetInfo, refreshRate) ==
              offsetof(DISPLAYCONFIG_PATH_TARGET_INFO, refreshRate));
static_assert(offsetof(platform::DisplayConfigPathTargetInfo, targetAvailable) ==
              offsetof(DISPLAYCONFIG_PATH_TARGET_INFO, targetAvailable));
static_assert(offsetof(platform::DisplayConfigPathTargetInfo, statusFlags) ==
              offsetof(DISPLAYCONFIG_PATH_TARGET_INFO, statusFlags));
static_assert(sizeof(platform::DisplayConfigPathInfo) == sizeof(DISPLAYCONFIG_PATH_INFO));
static_assert(offsetof(platform::DisplayConfigPathInfo, targetInfo) ==
              offsetof(DISPLAYCONFIG_PATH_INFO, targetInfo));
static_assert(offsetof(platform::DisplayConfigPathInfo, flags) == offsetof(DISPLAYCONFIG_PATH_INFO, flags));
static_assert(sizeof(platform::DisplayConfigModeInfo) == sizeof(DISPLAYCONFIG_MODE_INFO));
static_assert(offsetof(platform::DisplayConfigModeInfo, adapterId) ==
              offsetof(DISPLAYCONFIG_MODE_INFO, adapterId));
static_assert(offsetof(platform::DisplayConfigModeInfo, mode) ==
              offsetof(DISPLAYCONFIG_MODE_INFO, targetMode));
static_assert(sizeof(platform::DisplayConfigDeviceInfoHeader) == sizeof(DISPLAYCONFIG_DEVICE_INFO_HEADER));
static_assert(offsetof(platform::DisplayConfigDeviceInfoHeader, adapterId) ==
              offsetof(DISPLAYCONFIG_DEVICE_INFO_HEADER, adapterId));
static_assert(offsetof(platform::DisplayConfigDeviceInfoHeader, id) ==
              offsetof(DISPLAYCONFIG_DEVICE_INFO_HEADER, id));
static_assert(sizeof(platform::DisplayConfigSourceDeviceName) == sizeof(DISPLAYCONFIG_SOURCE_DEVICE_NAME));
static_assert(sizeof(platform::DisplayConfigSourceDeviceName) == 84);
static_assert(offsetof(platform::DisplayConfigSourceDeviceName, viewGdiDeviceName) ==
              offsetof(DISPLAYCONFIG_SOURCE_DEVICE_NAME, viewGdiDeviceName));

namespace platform {

BOOL PLATFORM_API EnumDisplayDevicesW(const char16_t* device, DWORD deviceIndex,
                                      DisplayDeviceW* displayDevice, DWORD flags) {
    return ::EnumDisplayDevicesW(win32::W(device), deviceIndex,
                                 reinterpret_cast<DISPLAY_DEVICEW*>(displayDevice), flags);
}

LONG GetDisplayConfigBufferSizes(UINT32 flags, UINT32* numPathArrayElements,
                                 UINT32* numModeInfoArrayElements) {
    return ::GetDisplayConfigBufferSizes(flags, numPathArrayElements, numModeInfoArrayElements);
}

LONG QueryDisplayConfig(UINT32 flags, UINT32* numPathArrayElements, DisplayConfigPathInfo* pathArray,
                        UINT32* numModeInfoArrayElements, DisplayConfigModeInfo* modeInfoArray,
                        UINT32* currentTopologyId) {
    return ::QueryDisplayConfig(
        flags, numPathArrayElements, reinterpret_cast<DISPLAYCONFIG_PATH_INFO*>(pathArray),
        numModeInfoArrayElements, reinterpret_cast<DISPLAYCONFIG_MODE_INFO*>(modeInfoArray),
        reinterpret_cast<DISPLAYCONFIG_TOPOLOGY_ID*>(currentTopologyId));
}

LONG DisplayConfigGetDeviceInfo(DisplayConfigDeviceInfoHeader* requestPacket) {
    return ::DisplayConfigGetDeviceInfo(reinterpret_cast<DISPLAYCONFIG_DEVICE_INFO_HEADER*>(requestPacket));
}

} // namespace platform
