// Opening a device and sending it a control request.
#pragma once

#include "platform/files.h"
#include "platform/types.h"

namespace platform {

Handle CreateFileW(const char16_t* fileName, DWORD desiredAccess, DWORD shareMode, void* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, Handle templateFile);
BOOL DeviceIoControl(Handle device, DWORD ioControlCode, void* inBuffer, DWORD inBufferSize, void* outBuffer,
                     DWORD outBufferSize, DWORD* bytesReturned, void* overlapped);
BOOL CloseHandle(Handle object);

} // namespace platform
