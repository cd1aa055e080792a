// Opening a device and sending it a control request.
#include "platform/device_io.h"

#include "platform/win32/win32.h"

namespace platform {

Handle CreateFileW(const char16_t* fileName, DWORD desiredAccess, DWORD shareMode, void* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, Handle templateFile) {
    return ::CreateFileW(win32::W(fileName), desiredAccess, shareMode,
                         static_cast<LPSECURITY_ATTRIBUTES>(securityAttributes), creationDisposition,
                         flagsAndAttributes, templateFile);
}

BOOL DeviceIoControl(Handle device, DWORD ioControlCode, void* inBuffer, DWORD inBufferSize, void* outBuffer,
                     DWORD outBufferSize, DWORD* bytesReturned, void* overlapped) {
    ::DWORD returned = 0;
    const ::BOOL ok = ::DeviceIoControl(device, ioControlCode, inBuffer, inBufferSize, outBuffer,
                                        outBufferSize, &returned, static_cast<LPOVERLAPPED>(overlapped));
    win32::CopyOut(bytesReturned, returned);
    return ok;
}

BOOL CloseHandle(Handle object) {
    return ::CloseHandle(object);
}

} // namespace platform
