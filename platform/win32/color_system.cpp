// The Windows colour system (mscms): reading profiles, installing them, associating them with a device,
// and the calibration-management switch.
#include "platform/color_system.h"

#include <cstddef>

#include "platform/win32/win32.h"

#include <icm.h>

static_assert(sizeof(platform::Profile) == sizeof(PROFILE));
static_assert(offsetof(platform::Profile, pProfileData) == offsetof(PROFILE, pProfileData));
static_assert(offsetof(platform::Profile, cbDataSize) == offsetof(PROFILE, cbDataSize));
static_assert(sizeof(platform::TAGTYPE) == sizeof(TAGTYPE));

namespace platform {

HPROFILE OpenColorProfileW(const Profile* profile, DWORD desiredAccess, DWORD shareMode, DWORD creationMode) {
    // Windows takes the PROFILE as non-const but only reads it.
    PROFILE copy{};
    if (profile != nullptr) {
        copy.dwType = profile->dwType;
        copy.pProfileData = profile->pProfileData;
        copy.cbDataSize = profile->cbDataSize;
    }
    return ::OpenColorProfileW(profile != nullptr ? &copy : nullptr, desiredAccess, shareMode, creationMode);
}

BOOL IsColorProfileTagPresent(HPROFILE profile, TAGTYPE tag, BOOL* present) {
    return ::IsColorProfileTagPresent(profile, tag, present);
}

BOOL GetColorProfileElement(HPROFILE profile, TAGTYPE tag, DWORD offset, DWORD* size, void* buffer,
                            BOOL* reference) {
    ::DWORD realSize = size != nullptr ? *size : 0;
    const ::BOOL ok = ::GetColorProfileElement(profile, tag, offset, size != nullptr ? &realSize : nullptr,
                                               buffer, reference);
    win32::CopyOut(size, realSize);
    return ok;
}

BOOL CloseColorProfile(HPROFILE profile) {
    return ::CloseColorProfile(profile);
}

BOOL InstallColorProfileW(const char16_t* machineName, const char16_t* profileName) {
    return ::InstallColorProfileW(win32::W(machineName), win32::W(profileName));
}

BOOL AssociateColorProfileWithDeviceW(const char16_t* machineName, const char16_t* profileName,
                                      const char16_t* deviceName) {
    return ::AssociateColorProfileWithDeviceW(win32::W(machineName), win32::W(profileName),
                                              win32::W(deviceName));
}

bool ListColorProfiles(const char16_t* deviceName, std::vector<std::u16string>& names) {
    names.clear();
    ENUMTYPEW filter{};
    filter.dwSize = sizeof filter;
    filter.dwVersion = ENUM_TYPE_VERSION;
    if (deviceName != nullptr) {
        filter.dwFields = ET_DEVICENAME;
        filter.pDeviceName = win32::W(deviceName);
    }
    ::DWORD size = 0;
    ::DWORD count = 0;
    if (!::EnumColorProfilesW(nullptr, &filter, nullptr, &size, &count)) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            // No profile fits the filter: an empty list, not a failure.
            return ::GetLastError() == ERROR_NO_MORE_ITEMS || ::GetLastError() == ERROR_FILE_NOT_FOUND;
        }
    }
    if (size == 0) {
        return true;
    }
    // The answer is a list of zero-terminated names ending in an empty one.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    if (!::EnumColorProfilesW(nullptr, &filter, reinterpret_cast<BYTE*>(buffer.data()), &size, &count)) {
        return false;
    }
    for (std::size_t i = 0; i + 1 < buffer.size() && buffer[i] != L'\0';) {
        std::u16string name;
        for (; i < buffer.size() && buffer[i] != L'\0'; ++i) {
            name.push_back(static_cast<char16_t>(buffer[i]));
        }
        ++i;
        names.push_back(name);
    }
    return true;
}

BOOL PLATFORM_API WcsSetCalibrationManagementState(BOOL state) {
    // The MinGW import library of mscms lacks this function, so it is looked up in the system's Mscms.dll,
    // which the process keeps loaded.
    using Fn = ::BOOL(WINAPI*)(::BOOL);
    const ::HMODULE module = ::LoadLibraryW(L"Mscms.dll");
    if (module == nullptr) {
        return FALSE;
    }
    const auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module, "WcsSetCalibrationManagementState")));
    if (fn == nullptr) {
        return FALSE;
    }
    return fn(state);
}

} // namespace platform
