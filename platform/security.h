// Owners and access lists of files and folders, and what a handle's file is. Security descriptors, SIDs and
// access lists cross this interface in their binary Windows layouts, which portable code builds and reads
// itself (app/folder_security.h); the backends pass them to the system or keep them as the system would.
// Each backend implements this header in security.cpp; the simulated machine keeps
// GetFileInformationByHandleEx and SetFileInformationByHandle with its other handle calls (file_handles.cpp).
#pragma once

#include <cstdint>

#include "platform/files.h"
#include "platform/types.h"

namespace platform {

// Access rights of files and folders (ACCESS_MASK bits).
constexpr DWORD FILE_READ_DATA = 0x1;   // FILE_LIST_DIRECTORY on a folder
constexpr DWORD FILE_WRITE_DATA = 0x2;  // FILE_ADD_FILE on a folder
constexpr DWORD FILE_APPEND_DATA = 0x4; // FILE_ADD_SUBDIRECTORY on a folder
constexpr DWORD FILE_READ_EA = 0x8;
constexpr DWORD FILE_WRITE_EA = 0x10;
constexpr DWORD FILE_EXECUTE = 0x20; // FILE_TRAVERSE on a folder
constexpr DWORD FILE_DELETE_CHILD = 0x40;
constexpr DWORD FILE_READ_ATTRIBUTES = 0x80;
constexpr DWORD FILE_WRITE_ATTRIBUTES = 0x100;
constexpr DWORD DELETE = 0x10000;
constexpr DWORD READ_CONTROL = 0x20000;
constexpr DWORD WRITE_DAC = 0x40000;
constexpr DWORD WRITE_OWNER = 0x80000;
constexpr DWORD SYNCHRONIZE = 0x100000;
constexpr DWORD FILE_ALL_ACCESS = 0x1F01FF;
constexpr DWORD FILE_GENERIC_READ = 0x120089;
constexpr DWORD FILE_GENERIC_WRITE = 0x120116;
constexpr DWORD FILE_GENERIC_EXECUTE = 0x1200A0;
constexpr DWORD GENERIC_EXECUTE = 0x20000000u;
constexpr DWORD GENERIC_ALL = 0x10000000u;

// The generic rights of a mask as the file rights they stand for (GENERIC_READ as FILE_GENERIC_READ, ...),
// as the system maps them for files and folders; the other bits stay.
constexpr DWORD MapGenericFileRights(DWORD mask) {
    constexpr struct {
        DWORD generic;
        DWORD specific;
    } kMapping[] = {{GENERIC_READ, FILE_GENERIC_READ},
                    {GENERIC_WRITE, FILE_GENERIC_WRITE},
                    {GENERIC_EXECUTE, FILE_GENERIC_EXECUTE},
                    {GENERIC_ALL, FILE_ALL_ACCESS}};
    for (const auto& entry : kMapping) {
        if ((mask & entry.generic) != 0) {
            mask = (mask & ~entry.generic) | entry.specific;
        }
    }
    return mask;
}

// ACE types and flags, the ACL revision, security descriptor control bits.
constexpr BYTE ACCESS_ALLOWED_ACE_TYPE = 0;
constexpr BYTE ACCESS_DENIED_ACE_TYPE = 1;
constexpr BYTE OBJECT_INHERIT_ACE = 0x1;
constexpr BYTE CONTAINER_INHERIT_ACE = 0x2;
constexpr BYTE NO_PROPAGATE_INHERIT_ACE = 0x4;
constexpr BYTE INHERIT_ONLY_ACE = 0x8;
constexpr BYTE INHERITED_ACE = 0x10;
constexpr BYTE ACL_REVISION = 2;
constexpr BYTE SECURITY_DESCRIPTOR_REVISION = 1;
constexpr WORD SE_DACL_PRESENT = 0x4;
constexpr WORD SE_DACL_AUTO_INHERITED = 0x400;
constexpr WORD SE_DACL_PROTECTED = 0x1000;
constexpr WORD SE_SELF_RELATIVE = 0x8000;

// What GetSecurityInfo and SetSecurityInfo read or write.
constexpr DWORD OWNER_SECURITY_INFORMATION = 0x1;
constexpr DWORD GROUP_SECURITY_INFORMATION = 0x2;
constexpr DWORD DACL_SECURITY_INFORMATION = 0x4;
constexpr DWORD SACL_SECURITY_INFORMATION = 0x8;
constexpr DWORD PROTECTED_DACL_SECURITY_INFORMATION = 0x80000000u;
constexpr DWORD UNPROTECTED_DACL_SECURITY_INFORMATION = 0x20000000u;
// SE_OBJECT_TYPE of files and folders.
constexpr DWORD SE_FILE_OBJECT = 1;

// What these calls, and file calls that an access list or a reparse point stops, fail with.
constexpr DWORD ERROR_BAD_LENGTH = 24;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_INVALID_OWNER = 1307;
constexpr DWORD ERROR_PRIVILEGE_NOT_HELD = 1314;
constexpr DWORD ERROR_INVALID_ACL = 1336;
constexpr DWORD ERROR_INVALID_SID = 1337;
constexpr DWORD ERROR_INVALID_SECURITY_DESCR = 1338;

// Same layout as SECURITY_ATTRIBUTES: what SHCreateDirectoryExW and CreateFileW take.
struct SecurityAttributes {
    DWORD nLength;
    void* lpSecurityDescriptor;
    BOOL bInheritHandle;
};

// The security descriptor of the object behind handle (opened with READ_CONTROL): owner and dacl point
// into *securityDescriptor, which LocalFree releases. ERROR_SUCCESS or an error code.
DWORD GetSecurityInfo(Handle handle, DWORD objectType, DWORD securityInfo, void** owner, void** group,
                      void** dacl, void** sacl, void** securityDescriptor);
// Sets the owner (handle opened with WRITE_OWNER) and the access list (WRITE_DAC) of the object; with
// PROTECTED_DACL_SECURITY_INFORMATION it inherits no entries from its folder. ERROR_SUCCESS or an error code.
DWORD SetSecurityInfo(Handle handle, DWORD objectType, DWORD securityInfo, void* owner, void* group,
                      void* dacl, void* sacl);

// GetFileInformationByHandleEx and SetFileInformationByHandle, for the classes below.
constexpr DWORD FileDispositionInfo = 4;
constexpr DWORD FileAttributeTagInfo = 9;
// Same layout as FILE_ATTRIBUTE_TAG_INFO.
struct FileAttributeTagInformation {
    DWORD FileAttributes;
    DWORD ReparseTag;
};
// Same layout as FILE_DISPOSITION_INFO: a file deleted when its last handle closes.
struct FileDispositionInformation {
    BYTE DeleteFile;
};
// The SID of the account the process runs as (its token's user), copied into sid (capacity bytes). What an
// administrator creates is owned by that account instead of the Administrators where the system's default
// owner is the creator. False when it cannot be read or does not fit.
BOOL GetProcessUserSid(void* sid, DWORD capacity);

BOOL GetFileInformationByHandleEx(Handle file, DWORD informationClass, void* information, DWORD size);
BOOL SetFileInformationByHandle(Handle file, DWORD informationClass, void* information, DWORD size);

// Reparse tags: a name surrogate names another file or folder (a symbolic link, a junction); other reparse
// points (WOF compression, cloud files, deduplication) are the file itself.
constexpr DWORD IO_REPARSE_TAG_MOUNT_POINT = 0xA0000003u;
constexpr DWORD IO_REPARSE_TAG_SYMLINK = 0xA000000Cu;
constexpr DWORD IO_REPARSE_TAG_WOF = 0x80000017u;
constexpr bool IsReparseTagNameSurrogate(DWORD tag) {
    return (tag & 0x20000000u) != 0;
}

} // namespace platform
