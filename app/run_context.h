// The process-wide run context and the staging folder.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/color_system.h"
#include "platform/display.h"
#include "platform/terminal_services.h"
#include "platform/types.h"

// Capacity, in UTF-16 units with the terminator, of the run context's strings.
inline constexpr std::size_t kContextText = 512;

extern bool g_bDebugMode;
// Cache of the per-user DebugMessage switch: 0 not read yet, 1 read and off, 2 read and on.
extern int32_t g_nDebugMessage;

extern platform::PFN_WTSQuerySessionInformationW WTSQuerySessionInformationFunc;
extern platform::PFN_EnumDisplayDevicesW EnumDisplayDevicesFunc;
extern platform::PFN_DisplayConfigGetDeviceInfo DisplayConfigGetDeviceInfoFunc;
extern platform::PFN_GetDisplayConfigBufferSizes GetDisplayConfigBufferSizesFunc;
extern platform::PFN_QueryDisplayConfig QueryDisplayConfigFunc;
extern platform::PFN_WcsSetCalibrationManagementState WcsSetCalibrationManagementStateFunc;

extern char16_t g_szCmdefPath[kContextText];
extern char16_t g_szCmdefName[kContextText];
extern char16_t g_szMonitorDevice[kContextText];
extern char16_t g_szMonitorName[kContextText];

extern platform::Handle g_hAcpiDevice;
// The profile that tag extraction opened first; kept open until the process ends.
extern platform::HPROFILE g_pIcmFile;

// Releases what the run context owns (the open profile) and sets every variable back to its state at
// the start of a run.
void ResetRunContext();

// The staging folder: wide with its trailing separator, wide without it, and narrow without it.
inline constexpr char16_t kStagingFolderW[] =
    u"C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse\\";
inline constexpr char16_t kStagingDirW[] = u"C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse";
inline constexpr char kStagingDirA[] = "C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse";
