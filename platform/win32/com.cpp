// COM for the thread and process-wide COM security.
#include "platform/com.h"

#include "platform/win32/win32.h"

#include <objbase.h>

namespace platform {

HRESULT CoInitializeEx(void* reserved, DWORD coInit) {
    return ::CoInitializeEx(reserved, coInit);
}

void CoUninitialize() {
    ::CoUninitialize();
}

HRESULT CoInitializeSecurity(void* securityDescriptor, LONG authServiceCount, void* authServices,
                             void* reserved1, DWORD authnLevel, DWORD impLevel, void* authList,
                             DWORD capabilities, void* reserved3) {
    return ::CoInitializeSecurity(static_cast<PSECURITY_DESCRIPTOR>(securityDescriptor), authServiceCount,
                                  static_cast<SOLE_AUTHENTICATION_SERVICE*>(authServices), reserved1,
                                  authnLevel, impLevel, authList, capabilities, reserved3);
}

} // namespace platform
