// File handles and links on the simulated machine: the files CreateFileW opens. A symbolic link on the host
// inside the root is a reparse point: a junction when it points to a folder, a symbolic link when it points
// to a file (or to nothing). A host file with several hard links reports that count. Handles opened on files
// keep their share modes, so that a name held open without FILE_SHARE_DELETE cannot be deleted.
#pragma once

#include <filesystem>
#include <string_view>

#include "platform/types.h"

namespace sim {

// The attributes of the name itself (a link is not followed); INVALID_FILE_ATTRIBUTES when missing.
platform::DWORD EntryAttributes(const std::filesystem::path& host);

// CreateFileW for a path that names no device.
platform::Handle OpenFileHandle(std::u16string_view path, platform::DWORD access, platform::DWORD share,
                                platform::DWORD creation, platform::DWORD flags);
// Closes a handle of OpenFileHandle; false when it is none.
bool CloseFileHandle(platform::Handle handle);
// The host descriptor that a handle of OpenFileHandle reads through; -1 for any other handle, or one
// opened without read access or on the link itself.
int ReadDescriptor(platform::Handle handle);

// Ends a copy (CopyFileW, or one written through a handle): its journal record, and the last error
// when it failed. The call's result.
platform::BOOL EndCopy(const char16_t* from, const char16_t* to, platform::DWORD error);

} // namespace sim
