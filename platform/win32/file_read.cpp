// Reading an open file.
#include "platform/files.h"
#include "platform/win32/win32.h"

namespace platform {

BOOL ReadFile(Handle file, void* buffer, DWORD toRead, DWORD* read, void* overlapped) {
    ::DWORD count = 0;
    const ::BOOL ok = ::ReadFile(file, buffer, toRead, &count, static_cast<LPOVERLAPPED>(overlapped));
    win32::CopyOut(read, count);
    return ok;
}

BOOL GetFileSizeEx(Handle file, int64_t* size) {
    LARGE_INTEGER value{};
    const ::BOOL ok = ::GetFileSizeEx(file, &value);
    if (size != nullptr) {
        *size = value.QuadPart;
    }
    return ok;
}

} // namespace platform
