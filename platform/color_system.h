// The Windows colour system: reading profiles, installing them, associating them with a device,
// and the calibration-management switch. The sim implements the profile reader in
// color_profile_reader.cpp and the rest in color_system.cpp.
#pragma once

#include <string>
#include <vector>

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

} // namespace platform
