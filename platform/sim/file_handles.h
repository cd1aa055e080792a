// File handles and links on the simulated machine: the files CreateFileW opens. A symbolic link on the host
// inside the root is a reparse point: a junction when it points to a folder, a symbolic link when it points
// to a file (or to nothing). A host file with several hard links reports that count. Handles opened on files
// keep their share modes, so that a name held open without FILE_SHARE_DELETE cannot be deleted, and keep
// referring to the file they opened whatever happens to its name.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sim/file_security.h"
#include "platform/types.h"

namespace sim {

// The attributes of the name itself (a link is not followed), with those its entry adds;
// INVALID_FILE_ATTRIBUTES when missing.
platform::DWORD EntryAttributes(const std::filesystem::path& host);

// Where creating a file at host puts it: host itself, or, for a symbolic link that leads to nothing, the name
// it leads to, as Windows follows it. Empty when that lies outside the machine's drives.
std::filesystem::path CreationTarget(const std::filesystem::path& host);

// What an open of the file or folder at host for access (generic rights mapped), sharing share, meets: the
// access check (file_security.h), then the share modes of the handles open on it and another process's hold
// on it (its entry's "locked"); an open for no data access (neither read, write nor delete) takes no part in
// sharing. ERROR_SUCCESS, ERROR_FILE_NOT_FOUND when nothing is there, ERROR_ACCESS_DENIED (also for a file
// marked for deletion) or ERROR_SHARING_VIOLATION.
platform::DWORD OpenCheckError(const std::filesystem::path& host, bool linkItself, platform::DWORD access,
                               platform::DWORD share);

// CreateFileW for a path that names no device.
platform::Handle OpenFileHandle(std::u16string_view path, platform::DWORD access, platform::DWORD share,
                                const void* securityAttributes, platform::DWORD creation,
                                platform::DWORD flags);
// Closes a handle of OpenFileHandle, deleting its file when it was the last handle of a file marked for
// deletion; false when it is none.
bool CloseFileHandle(platform::Handle handle);
// The host descriptor that a handle of OpenFileHandle reads through; -1 for any other handle, or one
// opened without read access or on the link itself.
int ReadDescriptor(platform::Handle handle);
// The host descriptor that a handle of OpenFileHandle writes through; -1 for any other handle, or one
// opened without write access or on the link itself (the sim writes no data into a link).
int WriteDescriptor(platform::Handle handle);

// A handle of OpenFileHandle as SetSecurityInfo and GetSecurityInfo see it: the path it was opened with, the
// access it was granted, and the file or folder it refers to.
struct HandleObject {
    std::u16string path;
    platform::DWORD access;
    FileObject object;
};
std::optional<HandleObject> FindHandleObject(platform::Handle handle);

// A file turned into a symbolic link in place: the handles open on the file that was identity now refer to
// the link at host.
void RepointHandles(const std::string& identity, const std::filesystem::path& host);

} // namespace sim
