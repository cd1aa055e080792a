// Terminal services: the console session and its user.
#include "platform/terminal_services.h"

#include "platform/win32/win32.h"

#include <wtsapi32.h>

namespace platform {

DWORD WTSGetActiveConsoleSessionId() {
    return ::WTSGetActiveConsoleSessionId();
}

BOOL PLATFORM_API WTSQuerySessionInformationW(Handle server, DWORD sessionId, int infoClass,
                                              char16_t** buffer, DWORD* bytesReturned) {
    LPWSTR text = nullptr;
    ::DWORD bytes = 0;
    const ::BOOL ok = ::WTSQuerySessionInformationW(server, sessionId, static_cast<WTS_INFO_CLASS>(infoClass),
                                                    &text, &bytes);
    if (buffer != nullptr) {
        *buffer = win32::U(text);
    }
    win32::CopyOut(bytesReturned, bytes);
    return ok;
}

} // namespace platform
