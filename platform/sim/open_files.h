// Ordinary files opened through handles on the simulated machine, for reading. Internal to the sim
// backend: CreateFileW and CloseHandle hand everything that is not a device to these.
#pragma once

#include "platform/types.h"

namespace sim {

// Opens the file at a Windows path for reading: a handle, or null with the last error set (the path
// missing, a folder or anything else that is not a regular file: ERROR_ACCESS_DENIED; an access other
// than GENERIC_READ or a disposition other than OPEN_EXISTING: ERROR_NOT_SUPPORTED).
platform::Handle OpenFileForReading(const char16_t* path, platform::DWORD desiredAccess,
                                    platform::DWORD creationDisposition);

// Closes a handle of OpenFileForReading; false for any other handle.
bool CloseOpenFile(platform::Handle handle);

} // namespace sim
