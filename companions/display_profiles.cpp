#include "companions/display_profiles.h"

#include "app/system_library.h"
#include "companions/json_text.h"
#include "platform/command_line.h"
#include "platform/library.h"
#include "platform/text.h"

namespace {

using namespace platform;

// A profile's file name is at most a path's length; longer names from the system are cut there.
constexpr std::size_t kMaxNameUnits = 260;
// No display holds more profiles than this; a longer list is read this far.
constexpr DWORD kMaxProfiles = 1024;

std::u16string BoundedName(const char16_t* name) {
    std::u16string text;
    for (std::size_t i = 0; name != nullptr && i < kMaxNameUnits && name[i] != 0; ++i) {
        text.push_back(name[i]);
    }
    return text;
}

// The names ColorProfileGetDisplayList hands out: one block of pointers and names, released by one
// LocalFree, as Windows documents for profileList.
std::optional<std::vector<std::u16string>> ReadList(const DisplayFunctions& functions,
                                                    WCS_PROFILE_MANAGEMENT_SCOPE scope, const Luid& adapterId,
                                                    UINT32 sourceId) {
    char16_t** list = nullptr;
    DWORD count = 0;
    if (Failed(functions.list(scope, adapterId, sourceId, &list, &count))) {
        return std::nullopt;
    }
    std::vector<std::u16string> names;
    for (DWORD i = 0; list != nullptr && i < count && i < kMaxProfiles; ++i) {
        if (list[i] != nullptr) {
            names.push_back(BoundedName(list[i]));
        }
    }
    LocalFree(static_cast<void*>(list));
    return names;
}

std::optional<std::u16string> ReadDefault(const DisplayFunctions& functions,
                                          WCS_PROFILE_MANAGEMENT_SCOPE scope, const Luid& adapterId,
                                          UINT32 sourceId, COLORPROFILESUBTYPE subtype) {
    char16_t* name = nullptr;
    if (Failed(functions.defaultProfile(scope, adapterId, sourceId, CPT_ICC, subtype, &name)) ||
        name == nullptr) {
        return std::nullopt;
    }
    std::u16string text = BoundedName(name);
    LocalFree(name);
    return text;
}

ScopeProfiles ReadScope(const DisplayFunctions& functions, WCS_PROFILE_MANAGEMENT_SCOPE scope,
                        const Luid& adapterId, UINT32 sourceId) {
    return {ReadList(functions, scope, adapterId, sourceId),
            ReadDefault(functions, scope, adapterId, sourceId, CPST_STANDARD_DISPLAY_COLOR_MODE),
            ReadDefault(functions, scope, adapterId, sourceId, CPST_EXTENDED_DISPLAY_COLOR_MODE)};
}

std::string OptionalJson(const std::optional<std::u16string>& text) {
    return text ? JsonString(*text) : "null";
}

} // namespace

DisplayFunctions FindDisplayFunctions() {
    const HMODULE mscms = LoadSystemLibrary(u"Mscms.dll");
    if (mscms == nullptr) {
        return {};
    }
    return {ProcAs<PFN_ColorProfileGetDisplayList>(GetProcAddress(mscms, "ColorProfileGetDisplayList")),
            ProcAs<PFN_ColorProfileGetDisplayDefault>(GetProcAddress(mscms, "ColorProfileGetDisplayDefault")),
            ProcAs<PFN_ColorProfileGetDisplayUserScope>(
                GetProcAddress(mscms, "ColorProfileGetDisplayUserScope"))};
}

const ScopeProfiles* DisplayProfiles::InEffect() const {
    if (!userScope) {
        return nullptr;
    }
    return *userScope == WCS_PROFILE_MANAGEMENT_SCOPE_CURRENT_USER ? &user : &system;
}

DisplayProfiles ReadDisplayProfiles(const DisplayFunctions& functions, const Luid& adapterId,
                                    UINT32 sourceId) {
    DisplayProfiles display;
    display.functions = functions.Present();
    if (!display.functions) {
        return display;
    }
    WCS_PROFILE_MANAGEMENT_SCOPE scope = WCS_PROFILE_MANAGEMENT_SCOPE_SYSTEM_WIDE;
    if (Succeeded(functions.userScope(adapterId, sourceId, &scope))) {
        display.userScope = scope;
    }
    display.system = ReadScope(functions, WCS_PROFILE_MANAGEMENT_SCOPE_SYSTEM_WIDE, adapterId, sourceId);
    display.user = ReadScope(functions, WCS_PROFILE_MANAGEMENT_SCOPE_CURRENT_USER, adapterId, sourceId);
    return display;
}

std::string LuidJson(const Luid& luid) {
    return "\"" + Hex64(LuidValue(luid)) + "\"";
}

std::string UserScopeJson(const DisplayProfiles& display) {
    if (!display.userScope) {
        return "null";
    }
    return *display.userScope == WCS_PROFILE_MANAGEMENT_SCOPE_CURRENT_USER ? "\"user\"" : "\"system\"";
}

std::string ScopeProfilesJson(const ScopeProfiles& scope, int indent) {
    return JsonObject({{"profiles", scope.profiles ? JsonStringArray(*scope.profiles, indent + 1) : "null"},
                       {"standardDefault", OptionalJson(scope.standardDefault)},
                       {"extendedDefault", OptionalJson(scope.extendedDefault)}},
                      indent);
}
