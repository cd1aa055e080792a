// Owners, access lists and attributes of the simulated machine's files and folders, and the checks that the
// file calls make with them. A file or folder has its own entry once the sim created it or set its security;
// before that the description's entry for its path (the "files" key), else the default of its place: owner
// Administrators, SYSTEM and Administrators full control, Users read and execute, inherited from above, and
// for C:\ProgramData Windows' own list, which lets users create files and folders there. The entries the sim
// keeps persist in security.json in the root, each with the identity of its file, so that a file replaced
// from outside the sim loses its stale entry. Internal to the sim backend.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/sim/descriptors.h"
#include "platform/sim/file_entries.h"
#include "platform/types.h"

namespace sim {

// A file or folder as its security sees it: a link itself, or what a path leads to.
struct FileObject {
    // The host path it was found by.
    std::filesystem::path host;
    // The host file's identity (host_files.h, FileIdentity).
    std::string identity;
    bool folder;
    // A symbolic link itself (a junction when it leads to a folder).
    bool link;
};

// The object a host path names: the link itself when linkItself and the name is a link, otherwise what the
// path leads to. Nullopt when nothing is there.
std::optional<FileObject> ObjectAt(const std::filesystem::path& host, bool linkItself);

// The object's entry: its own, the description's for its path, or the default of its place.
FileEntry EntryOf(const FileObject& object);

// Whether the process's token may open the object for desired (generic rights mapped) as Windows checks it:
// the object's list, DELETE also granted by its folder's FILE_DELETE_CHILD and FILE_READ_ATTRIBUTES by its
// folder's FILE_LIST_DIRECTORY, and a read-only file refusing to be written. ERROR_SUCCESS or
// ERROR_ACCESS_DENIED.
platform::DWORD AccessError(const FileObject& object, platform::DWORD desired);
// Deleting the object: DELETE access, and a read-only file refusing. ERROR_SUCCESS or ERROR_ACCESS_DENIED.
platform::DWORD DeleteError(const FileObject& object);
// Creating a file, or a folder, in the folder at host: ERROR_SUCCESS or ERROR_ACCESS_DENIED.
platform::DWORD CreateError(const std::filesystem::path& folder, bool newFolder);

// The descriptor of a SECURITY_ATTRIBUTES that a creating call was given: none when there are no attributes
// or they hold no descriptor. ERROR_SUCCESS, ERROR_INVALID_SECURITY_DESCR for one that is not valid, or
// ERROR_INVALID_OWNER for an owner the process may not give.
platform::DWORD ReadGivenDescriptor(const void* securityAttributes, std::optional<GivenDescriptor>& given);
// Records what the sim just created at host: owner Administrators (or the given one), and the given list, or
// else the entries it inherits from its folder.
void NoteNewObject(const std::filesystem::path& host, const std::optional<GivenDescriptor>& given);
// Forgets the entry of an object the sim has deleted.
void ForgetObject(const FileObject& object);
// Gives the entry the sim keeps of an object that was before identity (a file turned into a link in place).
void MoveEntry(const std::string& identity, const FileObject& object);

// What SetSecurityInfo writes (OWNER_ and DACL_SECURITY_INFORMATION, with PROTECTED_ or
// UNPROTECTED_DACL_SECURITY_INFORMATION): a list that is not protected gets the entries its folder passes
// on, and the entries a folder passes on go to everything below it that inherits.
void SetObjectSecurity(const FileObject& object, platform::DWORD info, const Sid& owner,
                       const std::optional<Acl>& dacl);

// The attributes the entry adds (FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_REPARSE_POINT) and the object's
// reparse tag: a link's (IO_REPARSE_TAG_MOUNT_POINT or IO_REPARSE_TAG_SYMLINK), the entry's, or 0.
platform::DWORD EntryAttributeBits(const FileObject& object);
platform::DWORD ReparseTagOf(const FileObject& object);

} // namespace sim
