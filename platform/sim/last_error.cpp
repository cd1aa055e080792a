// The thread's last error value and the invalid handle value.
#include <cstdint>

#include "platform/types.h"

namespace platform {

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

} // namespace

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD code) {
    lastError = code;
}

Handle InvalidHandleValue() {
    return reinterpret_cast<Handle>(~std::uintptr_t{0}); // NOLINT: the all-ones handle, as Windows defines it
}

} // namespace platform
