// The thread's last error value and the invalid handle value.
#include "platform/types.h"

#include "platform/win32/win32.h"

namespace platform {

DWORD GetLastError() {
    return ::GetLastError();
}

void SetLastError(DWORD code) {
    ::SetLastError(code);
}

Handle InvalidHandleValue() {
    return INVALID_HANDLE_VALUE;
}

} // namespace platform
