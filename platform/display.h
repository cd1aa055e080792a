// Display device enumeration and display configuration.
#pragma once

#include "platform/types.h"

namespace platform {

constexpr DWORD DISPLAY_DEVICE_ACTIVE = 0x1;
constexpr DWORD DISPLAY_DEVICE_PRIMARY_DEVICE = 0x4;
constexpr DWORD DISPLAY_DEVICE_MIRRORING_DRIVER = 0x8;

// Same layout as DISPLAY_DEVICEW (840 bytes).
struct DisplayDeviceW {
    DWORD cb;
    char16_t DeviceName[32];
    char16_t DeviceString[128];
    DWORD StateFlags;
    char16_t DeviceID[128];
    char16_t DeviceKey[128];
};

// EnumDisplayDevicesW, looked up in User32.dll at run time.
using PFN_EnumDisplayDevicesW = BOOL(PLATFORM_API*)(const char16_t* device, DWORD deviceIndex,
                                                    DisplayDeviceW* displayDevice, DWORD flags);
// The function itself, as the lookup finds it.
BOOL PLATFORM_API EnumDisplayDevicesW(const char16_t* device, DWORD deviceIndex,
                                      DisplayDeviceW* displayDevice, DWORD flags);

constexpr UINT32 QDC_ONLY_ACTIVE_PATHS = 2;
constexpr UINT32 DISPLAYCONFIG_OUTPUT_TECHNOLOGY_LVDS = 6;
constexpr UINT32 DISPLAYCONFIG_OUTPUT_TECHNOLOGY_DISPLAYPORT_EMBEDDED = 11;
constexpr UINT32 DISPLAYCONFIG_OUTPUT_TECHNOLOGY_UDI_EMBEDDED = 13;
constexpr UINT32 DISPLAYCONFIG_OUTPUT_TECHNOLOGY_INTERNAL = 0x80000000u;
constexpr UINT32 DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME = 1;

struct Luid {
    DWORD LowPart;
    LONG HighPart;
};

// A LUID as one number, its high part in the upper 32 bits, as it is written in text.
constexpr uint64_t LuidValue(const Luid& luid) {
    return (uint64_t{static_cast<uint32_t>(luid.HighPart)} << 32) | luid.LowPart;
}

struct DisplayConfigRational {
    UINT32 Numerator;
    UINT32 Denominator;
};

// Same layouts as the DISPLAYCONFIG_* structures.
struct DisplayConfigPathSourceInfo {
    Luid adapterId;
    UINT32 id;
    UINT32 modeInfoIdx;
    UINT32 statusFlags;
};

struct DisplayConfigPathTargetInfo {
    Luid adapterId;
    UINT32 id;
    UINT32 modeInfoIdx;
    UINT32 outputTechnology;
    UINT32 rotation;
    UINT32 scaling;
    DisplayConfigRational refreshRate;
    UINT32 scanLineOrdering;
    BOOL targetAvailable;
    UINT32 statusFlags;
};

struct DisplayConfigPathInfo {
    DisplayConfigPathSourceInfo sourceInfo;
    DisplayConfigPathTargetInfo targetInfo;
    UINT32 flags;
};

struct DisplayConfigModeInfo {
    UINT32 infoType;
    UINT32 id;
    Luid adapterId;
    BYTE mode[48];
};

struct DisplayConfigDeviceInfoHeader {
    UINT32 type;
    UINT32 size;
    Luid adapterId;
    UINT32 id;
};

struct DisplayConfigSourceDeviceName {
    DisplayConfigDeviceInfoHeader header;
    char16_t viewGdiDeviceName[32];
};

LONG GetDisplayConfigBufferSizes(UINT32 flags, UINT32* numPathArrayElements,
                                 UINT32* numModeInfoArrayElements);
LONG QueryDisplayConfig(UINT32 flags, UINT32* numPathArrayElements, DisplayConfigPathInfo* pathArray,
                        UINT32* numModeInfoArrayElements, DisplayConfigModeInfo* modeInfoArray,
                        UINT32* currentTopologyId);
LONG DisplayConfigGetDeviceInfo(DisplayConfigDeviceInfoHeader* requestPacket);

// The same three as looked up in User32.dll at run time.
using PFN_GetDisplayConfigBufferSizes = LONG(PLATFORM_API*)(UINT32, UINT32*, UINT32*);
using PFN_QueryDisplayConfig = LONG(PLATFORM_API*)(UINT32, UINT32*, DisplayConfigPathInfo*, UINT32*,
                                                   DisplayConfigModeInfo*, UINT32*);
using PFN_DisplayConfigGetDeviceInfo = LONG(PLATFORM_API*)(DisplayConfigDeviceInfoHeader*);

} // namespace platform
