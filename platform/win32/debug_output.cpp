// Debugger output and the system's error message texts.
#include "platform/debug_output.h"

#include <cstdarg>

#include "platform/win32/win32.h"

namespace platform {

void OutputDebugStringA(const char* text) {
    ::OutputDebugStringA(text);
}

void OutputDebugStringW(const char16_t* text) {
    ::OutputDebugStringW(win32::W(text));
}

DWORD FormatMessageW(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char16_t** allocated,
                     DWORD size, void* arguments) {
    if (allocated == nullptr || (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) == 0) {
        // Without the allocating flag Windows would take the pointer's own storage as the text buffer.
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    *allocated = nullptr;
    LPWSTR text = nullptr;
    const ::DWORD length =
        ::FormatMessageW(flags, source, messageId, languageId, reinterpret_cast<LPWSTR>(&text), size,
                         static_cast<va_list*>(arguments));
    *allocated = win32::U(text);
    return length;
}

} // namespace platform
