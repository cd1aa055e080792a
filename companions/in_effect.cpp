#include "companions/in_effect.h"

#include <algorithm>

#include "app/run_context.h"
#include "platform/text.h"
#include "profile/profile_name.h"

namespace {

using platform::Utf16ToUtf8;

constexpr std::size_t kNameText = 512;

bool SameName(const std::u16string& name, const std::optional<std::u16string>& other) {
    return other && platform::EqualNoCase(name, *other);
}

Verdict NotInEffect(const std::string& what) {
    return {false, "not in effect: " + what};
}

// The factory profile's file name: the base name and ".icm".
std::string FactoryName(const std::u16string& baseName) {
    char16_t name[kNameText] = {};
    ProfileFilePath(name, kNameText, u"", baseName.c_str(), false);
    return Utf16ToUtf8(name);
}

Verdict FromDisplayLists(const Inspection& found) {
    const DisplayProfiles& display = found.display;
    const ScopeProfiles* inEffect = display.InEffect();
    if (inEffect == nullptr) {
        return NotInEffect("the colour system did not say which scope is in effect for the built-in display");
    }
    const bool ownList = *display.userScope == platform::WCS_PROFILE_MANAGEMENT_SCOPE_CURRENT_USER;
    const std::string cmdef = Utf16ToUtf8(found.cmdefName);
    const std::string list = std::string("the built-in display's standard list in ") +
                             (ownList ? "this account's own scope" : "the system-wide scope");
    if (SameName(found.cmdefName, inEffect->standardDefault)) {
        return {true, "in effect: " + cmdef + " is the default of " + list};
    }
    std::string what =
        cmdef + " is not the default of " + list + ", which is in effect for this account (" +
        (inEffect->standardDefault ? "its default is " + Utf16ToUtf8(*inEffect->standardDefault)
                                   : std::string("it has no default")) +
        ")";
    if (SameName(found.cmdefName, inEffect->extendedDefault)) {
        what += "; it is the default of the extended (HDR) list only";
    }
    if (ownList && SameName(found.cmdefName, display.system.standardDefault)) {
        what += "; the system-wide list has it as its default, but this account uses its own list";
    }
    return NotInEffect(what);
}

// A Windows without the display lists: the association the tool makes through the legacy calls.
Verdict FromLegacyList(const Inspection& found) {
    const std::string cmdef = Utf16ToUtf8(found.cmdefName);
    if (found.monitorDevice.empty()) {
        return NotInEffect("no monitor was found to associate " + cmdef + " with");
    }
    const std::string monitor = Utf16ToUtf8(found.monitorDevice);
    if (!found.colorSystemAnswered) {
        return NotInEffect("the colour system did not list the profiles of the monitor " + monitor);
    }
    const bool associated =
        std::any_of(found.monitorProfiles.begin(), found.monitorProfiles.end(),
                    [&](const std::u16string& name) { return platform::EqualNoCase(name, found.cmdefName); });
    if (!associated) {
        return NotInEffect(cmdef + " is not associated with the monitor " + monitor);
    }
    return {true, "in effect: " + cmdef + " is associated with the monitor " + monitor +
                      " (this Windows keeps no per-display lists)"};
}

} // namespace

std::string PanelWarning(const Inspection& found) {
    const RunReport& run = found.run;
    if (run.adapterRule != u"primary") {
        return {};
    }
    const bool panelActive = std::any_of(run.paths.begin(), run.paths.end(),
                                         [](const ReportedPath& path) { return path.internal; });
    std::string text = panelActive
                           ? "the built-in panel's display path could not be named"
                           : "no built-in panel is active (the lid is closed, or the panel is switched off)";
    text += ", so the tool falls back to the primary adapter";
    if (found.monitorDevice.empty()) {
        return text + " and finds no monitor on it to associate the panel's profile with";
    }
    return text + " and would associate the panel's profile with the monitor on it, " +
           Utf16ToUtf8(found.monitorDevice) +
           (panelActive ? ", which may not be the built-in panel"
                        : ", an external monitor, not the built-in panel");
}

Verdict Verify(const Inspection& found) {
    if (!found.profileFound) {
        return NotInEffect("no profile fits this machine (tintfold-inspect shows why)");
    }
    if (!found.profileStaged) {
        return NotInEffect(FactoryName(found.profile) + " is not staged in " + Utf16ToUtf8(kStagingDirW));
    }
    const std::string cmdef = Utf16ToUtf8(found.cmdefName);
    if (!found.installedAnswered) {
        return NotInEffect("the colour system did not list its installed profiles");
    }
    if (!found.cmdefInstalled) {
        return NotInEffect(cmdef + " is not installed in the colour system");
    }
    if (const std::string warning = PanelWarning(found); !warning.empty()) {
        return NotInEffect(warning);
    }
    return found.display.functions ? FromDisplayLists(found) : FromLegacyList(found);
}
