// Owners and access lists, and what a handle's file is: advapi32's GetSecurityInfo and SetSecurityInfo,
// kernel32's GetFileInformationByHandleEx and SetFileInformationByHandle.
#include "platform/security.h"

#include <cstddef>

#include "platform/win32/win32.h"

#include <aclapi.h>

static_assert(sizeof(platform::SecurityAttributes) == sizeof(SECURITY_ATTRIBUTES));
static_assert(offsetof(platform::SecurityAttributes, lpSecurityDescriptor) ==
              offsetof(SECURITY_ATTRIBUTES, lpSecurityDescriptor));
static_assert(offsetof(platform::SecurityAttributes, bInheritHandle) ==
              offsetof(SECURITY_ATTRIBUTES, bInheritHandle));
static_assert(sizeof(platform::FileAttributeTagInformation) == sizeof(FILE_ATTRIBUTE_TAG_INFO));
static_assert(offsetof(platform::FileAttributeTagInformation, ReparseTag) ==
              offsetof(FILE_ATTRIBUTE_TAG_INFO, ReparseTag));
static_assert(sizeof(platform::FileDispositionInformation) == sizeof(FILE_DISPOSITION_INFO));

namespace platform {

DWORD GetSecurityInfo(Handle handle, DWORD objectType, DWORD securityInfo, void** owner, void** group,
                      void** dacl, void** sacl, void** securityDescriptor) {
    return ::GetSecurityInfo(handle, static_cast<SE_OBJECT_TYPE>(objectType), securityInfo, owner, group,
                             reinterpret_cast<PACL*>(dacl), reinterpret_cast<PACL*>(sacl),
                             securityDescriptor);
}

DWORD SetSecurityInfo(Handle handle, DWORD objectType, DWORD securityInfo, void* owner, void* group,
                      void* dacl, void* sacl) {
    return ::SetSecurityInfo(handle, static_cast<SE_OBJECT_TYPE>(objectType), securityInfo, owner, group,
                             static_cast<PACL>(dacl), static_cast<PACL>(sacl));
}

BOOL GetProcessUserSid(void* sid, DWORD capacity) {
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) == FALSE) {
        return FALSE;
    }
    // TOKEN_USER followed by the SID it points to.
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    ::DWORD needed = 0;
    const bool read = ::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &needed) != FALSE;
    ::CloseHandle(token);
    if (!read) {
        return FALSE;
    }
    const PSID user = reinterpret_cast<const TOKEN_USER*>(buffer)->User.Sid;
    return ::CopySid(capacity, sid, user);
}

BOOL GetFileInformationByHandleEx(Handle file, DWORD informationClass, void* information, DWORD size) {
    return ::GetFileInformationByHandleEx(file, static_cast<FILE_INFO_BY_HANDLE_CLASS>(informationClass),
                                          information, size);
}

BOOL SetFileInformationByHandle(Handle file, DWORD informationClass, void* information, DWORD size) {
    return ::SetFileInformationByHandle(file, static_cast<FILE_INFO_BY_HANDLE_CLASS>(informationClass),
                                        information, size);
}

} // namespace platform
