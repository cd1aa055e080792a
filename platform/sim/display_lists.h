// The colour-profile lists that Windows 10 build 20348 and later keep per display: for each display (by the
// GDI name of its source), the scope in effect for the user and, in each scope, the list of associated
// profiles with the defaults of the standard and the extended colour mode. A machine has them, and Mscms.dll
// exports the ColorProfile* functions below, when its description gives colorSystem.displays. The state
// persists with the colour system's in color-system.json (color_system.cpp resets and saves it).
// Internal to the sim backend.
#pragma once

#include <string>
#include <string_view>

#include "platform/color_system.h"
#include "platform/sim/description.h"

namespace sim {

// Whether the machine has the display lists and their functions.
bool HasDisplayLists();

// Starts the lists from the saved state's "displays" (null when there is none), each display the saved
// state does not hold taken from the description.
void ResetDisplayLists(const Json& saved);
// The lists as color-system.json keeps them; null on a machine without them.
Json SavedDisplayLists();

// What AssociateColorProfileWithDeviceW does to the lists of the monitor's display, once it has
// associated profile with the monitor: it adds the profile to the current user's list and makes it that
// list's standard default; a user who had no list of their own gets a copy of the system-wide one first,
// which is in effect for them from then on. Nothing on a machine without the lists.
void AssociateWithDisplay(std::u16string_view monitorDevice, const std::string& profile);

} // namespace sim

namespace platform {

// The functions as Mscms.dll exports them (color_system.h has their pointer types). Memory they hand out
// is one block that LocalFree releases.
HRESULT PLATFORM_API ColorProfileGetDisplayList(WCS_PROFILE_MANAGEMENT_SCOPE scope, Luid targetAdapterID,
                                                UINT32 sourceID, char16_t*** profileList,
                                                DWORD* profileCount);
HRESULT PLATFORM_API ColorProfileGetDisplayDefault(WCS_PROFILE_MANAGEMENT_SCOPE scope, Luid targetAdapterID,
                                                   UINT32 sourceID, COLORPROFILETYPE profileType,
                                                   COLORPROFILESUBTYPE profileSubType,
                                                   char16_t** profileName);
HRESULT PLATFORM_API ColorProfileGetDisplayUserScope(Luid targetAdapterID, UINT32 sourceID,
                                                     WCS_PROFILE_MANAGEMENT_SCOPE* scope);

} // namespace platform
