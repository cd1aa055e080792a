// Terminal services: the console session and its user.
#pragma once

#include "platform/types.h"

namespace platform {

constexpr int WTSUserName = 5;
inline Handle WTS_CURRENT_SERVER_HANDLE() {
    return nullptr;
}

DWORD WTSGetActiveConsoleSessionId();

// WTSQuerySessionInformationW, looked up in Wtsapi32.dll at run time.
using PFN_WTSQuerySessionInformationW = BOOL(PLATFORM_API*)(Handle server, DWORD sessionId, int infoClass,
                                                            char16_t** buffer, DWORD* bytesReturned);
// The function itself, as the lookup finds it.
BOOL PLATFORM_API WTSQuerySessionInformationW(Handle server, DWORD sessionId, int infoClass,
                                              char16_t** buffer, DWORD* bytesReturned);

} // namespace platform
