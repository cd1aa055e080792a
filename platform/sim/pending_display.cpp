// Temporary: the display services until the sim's display module lands. Delete this file then.
#include "platform/display.h"

namespace platform {

BOOL PLATFORM_API EnumDisplayDevicesW(const char16_t*, DWORD, DisplayDeviceW*, DWORD) { return kFalse; }
LONG GetDisplayConfigBufferSizes(UINT32, UINT32*, UINT32*) { return static_cast<LONG>(ERROR_NOT_SUPPORTED); }
LONG QueryDisplayConfig(UINT32, UINT32*, DisplayConfigPathInfo*, UINT32*, DisplayConfigModeInfo*, UINT32*) {
    return static_cast<LONG>(ERROR_NOT_SUPPORTED);
}
LONG DisplayConfigGetDeviceInfo(DisplayConfigDeviceInfoHeader*) { return static_cast<LONG>(ERROR_NOT_SUPPORTED); }

} // namespace platform
