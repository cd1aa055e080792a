// Files and folders: attributes, folder creation, file search, copy, existence.
#include "platform/files.h"

#include <cstddef>

#include "platform/win32/win32.h"

#include <io.h>
#include <shlobj.h>

static_assert(sizeof(platform::Win32FindDataW) == sizeof(WIN32_FIND_DATAW));
static_assert(offsetof(platform::Win32FindDataW, ftLastWriteTime) ==
              offsetof(WIN32_FIND_DATAW, ftLastWriteTime));
static_assert(offsetof(platform::Win32FindDataW, nFileSizeLow) == offsetof(WIN32_FIND_DATAW, nFileSizeLow));
static_assert(offsetof(platform::Win32FindDataW, cFileName) == offsetof(WIN32_FIND_DATAW, cFileName));
static_assert(offsetof(platform::Win32FindDataW, cAlternateFileName) ==
              offsetof(WIN32_FIND_DATAW, cAlternateFileName));

namespace platform {

namespace {

WIN32_FIND_DATAW* Real(Win32FindDataW* data) {
    return reinterpret_cast<WIN32_FIND_DATAW*>(data);
}

} // namespace

DWORD GetFileAttributesA(const char* path) {
    return ::GetFileAttributesA(path);
}

int SHCreateDirectoryExW(Handle window, const char16_t* path, const void* securityAttributes) {
    return ::SHCreateDirectoryExW(static_cast<HWND>(window), win32::W(path),
                                  static_cast<const SECURITY_ATTRIBUTES*>(securityAttributes));
}

Handle FindFirstFileW(const char16_t* pattern, Win32FindDataW* data) {
    return ::FindFirstFileW(win32::W(pattern), Real(data));
}

BOOL FindNextFileW(Handle search, Win32FindDataW* data) {
    return ::FindNextFileW(search, Real(data));
}

BOOL FindClose(Handle search) {
    return ::FindClose(search);
}

BOOL CopyFileW(const char16_t* existingFile, const char16_t* newFile, BOOL failIfExists) {
    return ::CopyFileW(win32::W(existingFile), win32::W(newFile), failIfExists);
}

int WAccess(const char16_t* path, int mode) {
    return ::_waccess(win32::W(path), mode);
}

} // namespace platform
