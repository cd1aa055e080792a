// Reading ordinary files through their handles on the simulated machine (file_handles.h opens them).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/sim/file_handles.h"

namespace platform {

BOOL ReadFile(Handle file, void* buffer, DWORD toRead, DWORD* read, void*) {
    const int descriptor = sim::ReadDescriptor(file);
    if (descriptor < 0 || (buffer == nullptr && toRead > 0)) {
        SetLastError(descriptor < 0 ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    DWORD total = 0;
    while (total < toRead) {
        const ssize_t count = ::read(descriptor, static_cast<char*>(buffer) + total, toRead - total);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            SetLastError(ERROR_ACCESS_DENIED);
            return kFalse;
        }
        if (count == 0) {
            break;
        }
        total += static_cast<DWORD>(count);
    }
    if (read != nullptr) {
        *read = total;
    }
    return kTrue;
}

BOOL GetFileSizeEx(Handle file, int64_t* size) {
    const int descriptor = sim::ReadDescriptor(file);
    struct stat status {};
    if (descriptor < 0 || size == nullptr || ::fstat(descriptor, &status) != 0) {
        SetLastError(descriptor < 0 ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    *size = static_cast<int64_t>(status.st_size);
    return kTrue;
}

} // namespace platform
