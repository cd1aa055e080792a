// The per-display colour-profile lists of the simulated machine and the ColorProfile* functions that read
// them. A display is what an active path's source shows; its lists are kept by the source's GDI name,
// since a LUID is new at each boot.
#include "platform/sim/display_lists.h"

#include <optional>
#include <vector>

#include "platform/sim/description.h"
#include "platform/sim/display_sources.h"
#include "platform/sim/local_memory.h"
#include "platform/sim/machine.h"
#include "platform/text.h"

namespace {

using platform::HRESULT;
using sim::Json;

// HRESULT_FROM_WIN32(ERROR_NOT_FOUND): what a call answers for a value the display does not have.
constexpr HRESULT kNotFound = platform::MakeHresult(0x80070490u);

struct DisplayLists {
    bool present = false;
    Json displays = Json::object();
};

DisplayLists& State() {
    static DisplayLists state;
    return state;
}

const Json& DescribedDisplays() {
    static const Json none;
    const Json& description = sim::Description();
    const auto colorSystem = description.find("colorSystem");
    if (colorSystem == description.end() || !colorSystem->is_object() || !colorSystem->contains("displays")) {
        return none;
    }
    return (*colorSystem)["displays"];
}

// The key under which a source's display is kept: the first that names it ignoring case.
std::optional<std::string> KeyOf(const Json& displays, std::u16string_view source) {
    for (const auto& [key, display] : displays.items()) {
        if (platform::EqualNoCase(platform::Utf8ToUtf16(key), source)) {
            return key;
        }
    }
    return std::nullopt;
}

// A scope with every member given: what a description leaves out is an empty list without defaults; null
// stays, as the value the call fails on.
Json WholeScope(const Json& scope) {
    return {{"profiles", scope.value("profiles", Json::array())},
            {"standardDefault", scope.value("standardDefault", Json())},
            {"extendedDefault", scope.value("extendedDefault", Json())}};
}

// A display with every member given; the system-wide scope is in effect unless it says otherwise.
Json WholeDisplay(const Json& display) {
    return {{"userScope", display.value("userScope", Json("system"))},
            {"system", WholeScope(display.value("system", Json::object()))},
            {"user", WholeScope(display.value("user", Json::object()))}};
}

// The display of a source; a source the lists do not hold yet gets a display with empty lists.
Json& DisplayOf(std::u16string_view source) {
    Json& displays = State().displays;
    if (const std::optional<std::string> key = KeyOf(displays, source)) {
        return displays[*key];
    }
    Json& display = displays[platform::Utf16ToUtf8(source)];
    display = WholeDisplay(Json::object());
    return display;
}

// A saved state of the lists that the description's rules accept; anything else is not taken.
bool IsUsable(const Json& saved) {
    try {
        sim::Validate(Json{{"colorSystem", {{"displays", saved}}}});
        return true;
    } catch (const sim::MachineError&) {
        return false;
    }
}

// The display that the active path with this source shows, or null when no active path has it.
const Json* DisplayAt(const platform::Luid& adapterId, platform::UINT32 sourceId) {
    const std::optional<std::size_t> path = sim::PathWithSource(adapterId, sourceId);
    if (!path) {
        return nullptr;
    }
    const std::u16string source = sim::SourceNameOfPath(*path);
    const std::optional<std::string> key = KeyOf(State().displays, source);
    static const Json empty = WholeDisplay(Json::object());
    return key ? &State().displays[*key] : &empty;
}

bool IsScope(platform::WCS_PROFILE_MANAGEMENT_SCOPE scope) {
    return scope == platform::WCS_PROFILE_MANAGEMENT_SCOPE_SYSTEM_WIDE ||
           scope == platform::WCS_PROFILE_MANAGEMENT_SCOPE_CURRENT_USER;
}

// A member of one scope of a display.
const Json& ScopeMember(const Json& display, platform::WCS_PROFILE_MANAGEMENT_SCOPE scope, const char* key) {
    return display[scope == platform::WCS_PROFILE_MANAGEMENT_SCOPE_CURRENT_USER ? "user" : "system"][key];
}

} // namespace

namespace sim {

bool HasDisplayLists() {
    return State().present;
}

void ResetDisplayLists(const Json& saved) {
    State() = DisplayLists{};
    const Json& described = DescribedDisplays();
    if (!described.is_object()) {
        return;
    }
    State().present = true;
    Json& displays = State().displays;
    if (IsUsable(saved)) {
        for (const auto& [source, display] : saved.items()) {
            displays[source] = WholeDisplay(display);
        }
    }
    for (const auto& [source, display] : described.items()) {
        if (!KeyOf(displays, platform::Utf8ToUtf16(source))) {
            displays[source] = WholeDisplay(display);
        }
    }
}

Json SavedDisplayLists() {
    return State().present ? State().displays : Json();
}

void AssociateWithDisplay(std::u16string_view monitorDevice, const std::string& profile) {
    const std::optional<std::u16string> source = AdapterOfMonitor(monitorDevice);
    if (!State().present || !source) {
        return;
    }
    Json& display = DisplayOf(*source);
    if (display["userScope"] != "user") {
        display["user"] = display["system"];
        display["userScope"] = "user";
    }
    Json& user = display["user"];
    Json& profiles = user["profiles"];
    if (!profiles.is_array()) {
        profiles = Json::array();
    }
    bool listed = false;
    for (const Json& name : profiles) {
        listed = listed || (name.is_string() && platform::EqualNoCase(name.get<std::string>(), profile));
    }
    if (!listed) {
        profiles.push_back(profile);
    }
    user["standardDefault"] = profile;
}

} // namespace sim

namespace platform {

HRESULT PLATFORM_API ColorProfileGetDisplayList(WCS_PROFILE_MANAGEMENT_SCOPE scope, Luid targetAdapterID,
                                                UINT32 sourceID, char16_t*** profileList,
                                                DWORD* profileCount) {
    const Json* display = DisplayAt(targetAdapterID, sourceID);
    if (profileList == nullptr || profileCount == nullptr || !IsScope(scope) || display == nullptr) {
        return E_INVALIDARG;
    }
    const Json& profiles = ScopeMember(*display, scope, "profiles");
    if (!profiles.is_array()) {
        return kNotFound;
    }
    std::vector<std::u16string> names;
    for (const Json& name : profiles) {
        names.push_back(Utf8ToUtf16(name.get<std::string>()));
    }
    char16_t** list = sim::LocalStringArray(names);
    if (list == nullptr) {
        return E_OUTOFMEMORY;
    }
    *profileList = list;
    *profileCount = static_cast<DWORD>(names.size());
    return S_OK;
}

HRESULT PLATFORM_API ColorProfileGetDisplayDefault(WCS_PROFILE_MANAGEMENT_SCOPE scope, Luid targetAdapterID,
                                                   UINT32 sourceID, COLORPROFILETYPE profileType,
                                                   COLORPROFILESUBTYPE profileSubType,
                                                   char16_t** profileName) {
    const Json* display = DisplayAt(targetAdapterID, sourceID);
    const bool subtype = profileSubType == CPST_STANDARD_DISPLAY_COLOR_MODE ||
                         profileSubType == CPST_EXTENDED_DISPLAY_COLOR_MODE;
    if (profileName == nullptr || !IsScope(scope) || profileType != CPT_ICC || !subtype ||
        display == nullptr) {
        return E_INVALIDARG;
    }
    const char* key =
        profileSubType == CPST_STANDARD_DISPLAY_COLOR_MODE ? "standardDefault" : "extendedDefault";
    const Json& name = ScopeMember(*display, scope, key);
    if (!name.is_string()) {
        return kNotFound;
    }
    char16_t* text = sim::LocalString(Utf8ToUtf16(name.get<std::string>()));
    if (text == nullptr) {
        return E_OUTOFMEMORY;
    }
    *profileName = text;
    return S_OK;
}

HRESULT PLATFORM_API ColorProfileGetDisplayUserScope(Luid targetAdapterID, UINT32 sourceID,
                                                     WCS_PROFILE_MANAGEMENT_SCOPE* scope) {
    const Json* display = DisplayAt(targetAdapterID, sourceID);
    if (scope == nullptr || display == nullptr) {
        return E_INVALIDARG;
    }
    const Json& inEffect = (*display)["userScope"];
    if (!inEffect.is_string()) {
        return kNotFound;
    }
    *scope = inEffect == "user" ? WCS_PROFILE_MANAGEMENT_SCOPE_CURRENT_USER
                                : WCS_PROFILE_MANAGEMENT_SCOPE_SYSTEM_WIDE;
    return S_OK;
}

} // namespace platform
