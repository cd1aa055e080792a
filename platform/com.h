// COM for the thread and process-wide COM security.
#pragma once

#include "platform/types.h"

namespace platform {

constexpr DWORD COINIT_MULTITHREADED = 0;

constexpr DWORD RPC_C_AUTHN_LEVEL_DEFAULT = 0;
constexpr DWORD RPC_C_AUTHN_LEVEL_CALL = 3;
constexpr DWORD RPC_C_IMP_LEVEL_IMPERSONATE = 3;
constexpr DWORD RPC_C_AUTHN_WINNT = 10;
constexpr DWORD RPC_C_AUTHZ_NONE = 0;
constexpr DWORD EOAC_NONE = 0;
constexpr DWORD CLSCTX_INPROC_SERVER = 1;

HRESULT CoInitializeEx(void* reserved, DWORD coInit);
void CoUninitialize();
HRESULT CoInitializeSecurity(void* securityDescriptor, LONG authServiceCount, void* authServices,
                             void* reserved1, DWORD authnLevel, DWORD impLevel, void* authList,
                             DWORD capabilities, void* reserved3);

// Same layout as GUID.
struct Guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

constexpr bool operator==(const Guid& a, const Guid& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        if (a.data4[i] != b.data4[i]) {
            return false;
        }
    }
    return true;
}

} // namespace platform
