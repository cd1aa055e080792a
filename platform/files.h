// Files and folders: attributes, folder creation, file search, copy, existence, and files opened
// through handles (without following links, with share modes that keep a checked file in place).
// Each backend implements this header in four files: files.cpp (attributes, folder creation, search,
// copy, existence), file_handles.cpp (what a handle refers to, DeleteFileW, CopyFileToHandle),
// file_read.cpp (ReadFile, GetFileSizeEx) and device_io.cpp (CreateFileW and CloseHandle, which open
// and close devices and files alike); the simulated machine keeps both copies in file_copy.cpp.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace platform {

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
// Opens a folder (needed for a folder handle).
constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000u;
// Opens a junction or symbolic link itself instead of what it points to.
constexpr DWORD FILE_FLAG_OPEN_REPARSE_POINT = 0x00200000u;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;

struct FileTime {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

// Same layout as WIN32_FIND_DATAW.
struct Win32FindDataW {
    DWORD dwFileAttributes;
    FileTime ftCreationTime;
    FileTime ftLastAccessTime;
    FileTime ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    char16_t cFileName[260];
    char16_t cAlternateFileName[14];
};

// Same layout as BY_HANDLE_FILE_INFORMATION.
struct ByHandleFileInformation {
    DWORD dwFileAttributes;
    FileTime ftCreationTime;
    FileTime ftLastAccessTime;
    FileTime ftLastWriteTime;
    DWORD dwVolumeSerialNumber;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD nNumberOfLinks;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
};

DWORD GetFileAttributesA(const char* path);
// Creates the folder and every missing folder above it; ERROR_SUCCESS, ERROR_ALREADY_EXISTS,
// ERROR_FILE_EXISTS or another error code.
// securityAttributes (a SecurityAttributes, platform/security.h, or null) gives each folder it creates its
// security descriptor.
int SHCreateDirectoryExW(Handle window, const char16_t* path, const void* securityAttributes);
Handle FindFirstFileW(const char16_t* pattern, Win32FindDataW* data);
BOOL FindNextFileW(Handle search, Win32FindDataW* data);
BOOL FindClose(Handle search);
BOOL CopyFileW(const char16_t* existingFile, const char16_t* newFile, BOOL failIfExists);
Handle CreateFileW(const char16_t* fileName, DWORD desiredAccess, DWORD shareMode, void* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, Handle templateFile);
BOOL CloseHandle(Handle object);
BOOL GetFileInformationByHandle(Handle file, ByHandleFileInformation* information);
// Deletes the name: a symbolic link itself, or one name of a file with several hard links.
BOOL DeleteFileW(const char16_t* fileName);
// Copies the content of existingFile into the open file, from its start, and ends the file where the copy
// stopped, also when it fails part-way; the copy that CopyFileW makes, written through a handle the caller
// has checked. newFile is the path that handle was opened with.
BOOL CopyFileToHandle(const char16_t* existingFile, Handle newFileHandle, const char16_t* newFile);
// The C runtime's access test: 0 when the path exists (mode 0), -1 otherwise.
int WAccess(const char16_t* path, int mode);

// Reading a file that CreateFileW opened for GENERIC_READ: from the current position, at most toRead
// bytes (fewer at the end of the file; *read receives the count), and the file's size in bytes.
BOOL ReadFile(Handle file, void* buffer, DWORD toRead, DWORD* read, void* overlapped);
BOOL GetFileSizeEx(Handle file, int64_t* size);

} // namespace platform
