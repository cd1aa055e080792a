// The Windows colour system (mscms): reading profiles, installing them, associating them with a device,
// and the calibration-management switch.
#include "platform/color_system.h"

#include <cstddef>

#include "platform/win32/system_proc.h"
#include "platform/win32/win32.h"

#include <icm.h>

static_assert(sizeof(platform::Profile) == sizeof(PROFILE));
static_assert(offsetof(platform::Profile, pProfileData) == offsetof(PROFILE, pProfileData));
static_assert(offsetof(platform::Profile, cbDataSize) == offsetof(PROFILE, cbDataSize));
static_assert(sizeof(platform::TAGTYPE) == sizeof(TAGTYPE));
// The display functions take these enumerations by value; the subtypes of advanced colour follow
// CPST_CUSTOM_WORKING_SPACE, which the MinGW header ends with.
static_assert(sizeof(platform::WCS_PROFILE_MANAGEMENT_SCOPE) == sizeof(WCS_PROFILE_MANAGEMENT_SCOPE));
static_assert(platform::WCS_PROFILE_MANAGEMENT_SCOPE_CURRENT_USER ==
              static_cast<int>(WCS_PROFILE_MANAGEMENT_SCOPE_CURRENT_USER));
static_assert(sizeof(platform::COLORPROFILETYPE) == sizeof(COLORPROFILETYPE));
static_assert(platform::CPT_ICC == static_cast<int>(CPT_ICC));
static_assert(sizeof(platform::COLORPROFILESUBTYPE) == sizeof(COLORPROFILESUBTYPE));
static_assert(platform::CPST_STANDARD_DISPLAY_COLOR_MODE == static_cast<int>(CPST_CUSTOM_WORKING_SPACE) + 1);

namespace platform {

namespace {

// The colour system's library is not a known library: its functions are looked up at run time.
template <typename Fn> Fn Mscms(const char* name) {
    return win32::SystemProcAs<Fn>(L"mscms.dll", name);
}

} // namespace

HPROFILE OpenColorProfileW(const Profile* profile, DWORD desiredAccess, DWORD shareMode, DWORD creationMode) {
    // Windows takes the PROFILE as non-const but only reads it.
    PROFILE copy{};
    if (profile != nullptr) {
        copy.dwType = profile->dwType;
        copy.pProfileData = profile->pProfileData;
        copy.cbDataSize = profile->cbDataSize;
    }
    static const auto open = Mscms<decltype(&::OpenColorProfileW)>("OpenColorProfileW");
    return win32::CallIfFound(open, profile != nullptr ? &copy : nullptr, desiredAccess, shareMode,
                              creationMode);
}

BOOL IsColorProfileTagPresent(HPROFILE profile, TAGTYPE tag, BOOL* present) {
    static const auto isPresent = Mscms<decltype(&::IsColorProfileTagPresent)>("IsColorProfileTagPresent");
    return win32::CallIfFound(isPresent, profile, tag, present);
}

BOOL GetColorProfileElement(HPROFILE profile, TAGTYPE tag, DWORD offset, DWORD* size, void* buffer,
                            BOOL* reference) {
    static const auto getElement = Mscms<decltype(&::GetColorProfileElement)>("GetColorProfileElement");
    ::DWORD realSize = size != nullptr ? *size : 0;
    const ::BOOL ok = win32::CallIfFound(getElement, profile, tag, offset,
                                         size != nullptr ? &realSize : nullptr, buffer, reference);
    win32::CopyOut(size, realSize);
    return ok;
}

BOOL CloseColorProfile(HPROFILE profile) {
    static const auto close = Mscms<decltype(&::CloseColorProfile)>("CloseColorProfile");
    return win32::CallIfFound(close, profile);
}

BOOL InstallColorProfileW(const char16_t* machineName, const char16_t* profileName) {
    static const auto install = Mscms<decltype(&::InstallColorProfileW)>("InstallColorProfileW");
    return win32::CallIfFound(install, win32::W(machineName), win32::W(profileName));
}

BOOL AssociateColorProfileWithDeviceW(const char16_t* machineName, const char16_t* profileName,
                                      const char16_t* deviceName) {
    static const auto associate =
        Mscms<decltype(&::AssociateColorProfileWithDeviceW)>("AssociateColorProfileWithDeviceW");
    return win32::CallIfFound(associate, win32::W(machineName), win32::W(profileName), win32::W(deviceName));
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
    static const auto enumerate = Mscms<decltype(&::EnumColorProfilesW)>("EnumColorProfilesW");
    if (enumerate == nullptr) {
        return false;
    }
    ::DWORD size = 0;
    ::DWORD count = 0;
    if (!enumerate(nullptr, &filter, nullptr, &size, &count)) {
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
    if (!enumerate(nullptr, &filter, reinterpret_cast<BYTE*>(buffer.data()), &size, &count)) {
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
    // Not in the MinGW headers: declared here as Windows documents it.
    static const auto setState = Mscms<::BOOL(WINAPI*)(::BOOL)>("WcsSetCalibrationManagementState");
    return win32::CallIfFound(setState, state);
}

} // namespace platform
