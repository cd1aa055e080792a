#include "app/run_context.h"

#include "app/staged_files.h"
#include "platform/text.h"

bool g_bDebugMode = false;
int32_t g_nDebugMessage = 0;

platform::PFN_WTSQuerySessionInformationW WTSQuerySessionInformationFunc = nullptr;
platform::PFN_EnumDisplayDevicesW EnumDisplayDevicesFunc = nullptr;
platform::PFN_DisplayConfigGetDeviceInfo DisplayConfigGetDeviceInfoFunc = nullptr;
platform::PFN_GetDisplayConfigBufferSizes GetDisplayConfigBufferSizesFunc = nullptr;
platform::PFN_QueryDisplayConfig QueryDisplayConfigFunc = nullptr;
platform::PFN_WcsSetCalibrationManagementState WcsSetCalibrationManagementStateFunc = nullptr;

char16_t g_szCmdefPath[kContextText] = {};
char16_t g_szCmdefName[kContextText] = {};
char16_t g_szMonitorDevice[kContextText] = {};
char16_t g_szMonitorName[kContextText] = {};

platform::Handle g_hAcpiDevice = nullptr;
platform::HPROFILE g_pIcmFile = nullptr;

void ResetRunContext() {
    if (g_pIcmFile != nullptr) {
        platform::CloseColorProfile(g_pIcmFile);
    }
    g_pIcmFile = nullptr;
    g_hAcpiDevice = nullptr;
    g_bDebugMode = false;
    g_nDebugMessage = 0;
    WTSQuerySessionInformationFunc = nullptr;
    EnumDisplayDevicesFunc = nullptr;
    DisplayConfigGetDeviceInfoFunc = nullptr;
    GetDisplayConfigBufferSizesFunc = nullptr;
    QueryDisplayConfigFunc = nullptr;
    WcsSetCalibrationManagementStateFunc = nullptr;
    platform::WClear(g_szCmdefPath, kContextText);
    platform::WClear(g_szCmdefName, kContextText);
    platform::WClear(g_szMonitorDevice, kContextText);
    platform::WClear(g_szMonitorName, kContextText);
    ForgetStagedFiles();
}
