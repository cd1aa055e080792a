// The Windows colour system: reading profiles, installing them, associating them with a device,
// the calibration-management switch, and the per-display lists of Windows 10 build 20348 and later.
// The sim implements the profile reader in color_profile_reader.cpp, the display lists in
// display_lists.cpp and the rest in color_system.cpp.
#pragma once

#include <string>
#include <vector>

#include "platform/display.h"
#include "platform/files.h"
#include "platform/types.h"

namespace platform {

using HPROFILE = void*;
using TAGTYPE = DWORD;

constexpr DWORD PROFILE_FILENAME = 1;
constexpr DWORD PROFILE_MEMBUFFER = 2;
constexpr DWORD PROFILE_READ = 1;

// Same layout as PROFILE.
struct Profile {
    DWORD dwType;
    void* pProfileData;
    DWORD cbDataSize;
};

HPROFILE OpenColorProfileW(const Profile* profile, DWORD desiredAccess, DWORD shareMode, DWORD creationMode);
BOOL IsColorProfileTagPresent(HPROFILE profile, TAGTYPE tag, BOOL* present);
// Copies at most *size bytes of the tag from offset into buffer; with a null buffer *size receives the
// tag's size.
BOOL GetColorProfileElement(HPROFILE profile, TAGTYPE tag, DWORD offset, DWORD* size, void* buffer,
                            BOOL* reference);
BOOL CloseColorProfile(HPROFILE profile);

BOOL InstallColorProfileW(const char16_t* machineName, const char16_t* profileName);
BOOL AssociateColorProfileWithDeviceW(const char16_t* machineName, const char16_t* profileName,
                                      const char16_t* deviceName);

// The file names of the profiles installed in the colour system, or of those associated with a device
// (its device identifier), in the colour system's order. False when the colour system cannot say.
bool ListColorProfiles(const char16_t* deviceName, std::vector<std::u16string>& names);

// WcsSetCalibrationManagementState, looked up in Mscms.dll at run time.
using PFN_WcsSetCalibrationManagementState = BOOL(PLATFORM_API*)(BOOL state);
// The function itself, as the lookup finds it.
BOOL PLATFORM_API WcsSetCalibrationManagementState(BOOL state);

// The enumerations the display functions take, with Windows' values.
using WCS_PROFILE_MANAGEMENT_SCOPE = int;
constexpr WCS_PROFILE_MANAGEMENT_SCOPE WCS_PROFILE_MANAGEMENT_SCOPE_SYSTEM_WIDE = 0;
constexpr WCS_PROFILE_MANAGEMENT_SCOPE WCS_PROFILE_MANAGEMENT_SCOPE_CURRENT_USER = 1;
using COLORPROFILETYPE = int;
constexpr COLORPROFILETYPE CPT_ICC = 0;
using COLORPROFILESUBTYPE = int;
constexpr COLORPROFILESUBTYPE CPST_STANDARD_DISPLAY_COLOR_MODE = 7;
constexpr COLORPROFILESUBTYPE CPST_EXTENDED_DISPLAY_COLOR_MODE = 8;

// The display functions of Windows 10 build 20348 and later, looked up in Mscms.dll at run time (older
// systems lack them). A display is named by the adapter LUID and source id of its active path; the lists
// and names they hand out are released with LocalFree.
using PFN_ColorProfileGetDisplayList = HRESULT(PLATFORM_API*)(WCS_PROFILE_MANAGEMENT_SCOPE scope,
                                                              Luid targetAdapterID, UINT32 sourceID,
                                                              char16_t*** profileList, DWORD* profileCount);
using PFN_ColorProfileGetDisplayDefault = HRESULT(PLATFORM_API*)(WCS_PROFILE_MANAGEMENT_SCOPE scope,
                                                                 Luid targetAdapterID, UINT32 sourceID,
                                                                 COLORPROFILETYPE profileType,
                                                                 COLORPROFILESUBTYPE profileSubType,
                                                                 char16_t** profileName);
using PFN_ColorProfileGetDisplayUserScope = HRESULT(PLATFORM_API*)(Luid targetAdapterID, UINT32 sourceID,
                                                                   WCS_PROFILE_MANAGEMENT_SCOPE* scope);

} // namespace platform
