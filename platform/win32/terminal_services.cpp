// Terminal services: the console session and its user.
#include "platform/terminal_services.h"

#include "platform/win32/system_proc.h"
#include "platform/win32/win32.h"

#include <wtsapi32.h>

namespace platform {

DWORD WTSGetActiveConsoleSessionId() {
    return ::WTSGetActiveConsoleSessionId();
}

BOOL PLATFORM_API WTSQuerySessionInformationW(Handle server, DWORD sessionId, int infoClass,
                                              char16_t** buffer, DWORD* bytesReturned) {
    // The terminal-services library is not a known library: the function is looked up at run time.
    static const auto query = win32::SystemProcAs<decltype(&::WTSQuerySessionInformationW)>(
        L"wtsapi32.dll", "WTSQuerySessionInformationW");
    LPWSTR text = nullptr;
    ::DWORD bytes = 0;
    const ::BOOL ok =
        win32::CallIfFound(query, server, sessionId, static_cast<WTS_INFO_CLASS>(infoClass), &text, &bytes);
    if (buffer != nullptr) {
        *buffer = win32::U(text);
    }
    win32::CopyOut(bytesReturned, bytes);
    return ok;
}

} // namespace platform
