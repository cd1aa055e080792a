// The colour profiles of a display as Windows 10 build 20348 and later keep them: the scope in effect for
// the account that asks, and in each scope the display's list and the defaults of its standard (SDR) and
// extended (HDR) colour mode. Read through the functions of the system directory's Mscms.dll, which older
// systems (and Wine 8.0) lack. Nothing is written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/color_system.h"

// The display functions as this Windows has them; all null when it lacks them.
struct DisplayFunctions {
    platform::PFN_ColorProfileGetDisplayList list = nullptr;
    platform::PFN_ColorProfileGetDisplayDefault defaultProfile = nullptr;
    platform::PFN_ColorProfileGetDisplayUserScope userScope = nullptr;

    bool Present() const { return list != nullptr && defaultProfile != nullptr && userScope != nullptr; }
};
DisplayFunctions FindDisplayFunctions();

// What one scope answered; nothing where a call failed (a default the display does not have among them).
struct ScopeProfiles {
    std::optional<std::vector<std::u16string>> profiles;
    std::optional<std::u16string> standardDefault;
    std::optional<std::u16string> extendedDefault;
};

struct DisplayProfiles {
    bool functions = false;
    std::optional<platform::WCS_PROFILE_MANAGEMENT_SCOPE> userScope;
    ScopeProfiles system;
    ScopeProfiles user;

    // The scope in effect, or nothing when the system did not say.
    const ScopeProfiles* InEffect() const;
};

// The display of the active path with this source; functions false, and nothing read, without them.
DisplayProfiles ReadDisplayProfiles(const DisplayFunctions& functions, const platform::Luid& adapterId,
                                    platform::UINT32 sourceId);

// The same JSON for inspect's report and a machine description: an adapter LUID as "0x%016X", a scope as
// "system" or "user", a scope's answers as {"profiles", "standardDefault", "extendedDefault"}; null for
// what was not answered.
std::string LuidJson(const platform::Luid& luid);
std::string UserScopeJson(const DisplayProfiles& display);
std::string ScopeProfilesJson(const ScopeProfiles& scope, int indent);
