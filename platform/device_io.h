// Opening a device and sending it a control request.
#pragma once

#include "platform/files.h"
#include "platform/types.h"

namespace platform {

// Devices open with CreateFileW and close with CloseHandle (files.h).
BOOL DeviceIoControl(Handle device, DWORD ioControlCode, void* inBuffer, DWORD inBufferSize, void* outBuffer,
                     DWORD outBufferSize, DWORD* bytesReturned, void* overlapped);

} // namespace platform
