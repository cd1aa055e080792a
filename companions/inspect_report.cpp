#include "companions/inspect_report.h"

#include "companions/in_effect.h"
#include "companions/json_text.h"
#include "platform/text.h"

namespace {

// The chassis type as a number; null when it was not read.
std::string ChassisJson(const RunReport& run) {
    if (!run.chassisRead || run.chassisType.empty()) {
        return "null";
    }
    return platform::Utf16ToUtf8(run.chassisType);
}

std::string AdapterJson(const RunReport& run) {
    if (run.adapterRule.empty()) {
        return "null";
    }
    return JsonObject({{"rule", JsonString(run.adapterRule)},
                       {"internalSource", JsonStringOrNull(run.internalSource)},
                       {"deviceName", JsonString(run.adapterName)},
                       {"deviceString", JsonString(run.adapterString)},
                       {"deviceId", JsonString(run.adapterId)},
                       {"stateFlags", std::to_string(run.adapterStateFlags)}},
                      1);
}

std::string PathsJson(const RunReport& run) {
    std::vector<std::string> paths;
    for (const ReportedPath& path : run.paths) {
        paths.push_back(JsonObject({{"outputTechnology", std::to_string(path.outputTechnology)},
                                    {"internal", JsonBool(path.internal)},
                                    {"adapterLuid", LuidJson(path.adapterId)},
                                    {"sourceId", std::to_string(path.sourceId)}},
                                   2));
    }
    return JsonArray(paths, 1);
}

std::string PanelPathJson(const RunReport& run) {
    const ReportedPath* path = PanelPath(run);
    if (path == nullptr) {
        return "null";
    }
    return JsonObject(
        {{"adapterLuid", LuidJson(path->adapterId)}, {"sourceId", std::to_string(path->sourceId)}}, 1);
}

std::string DisplayProfilesJson(const Inspection& found) {
    const DisplayProfiles& display = found.display;
    const bool read = display.functions && PanelPath(found.run) != nullptr;
    return JsonObject({{"functions", display.functions ? "\"present\"" : "\"absent\""},
                       {"userScope", read ? UserScopeJson(display) : "null"},
                       {"system", read ? ScopeProfilesJson(display.system, 2) : "null"},
                       {"user", read ? ScopeProfilesJson(display.user, 2) : "null"}},
                      1);
}

std::string CandidatesJson(const RunReport& run) {
    std::vector<std::string> candidates;
    for (const ReportedCandidate& candidate : run.candidates) {
        std::vector<JsonMember> members{{"panel", JsonString(candidate.panel)},
                                        {"source", candidate.fromAcpi ? "\"acpi\"" : "\"edid\""}};
        if (!candidate.fromAcpi) {
            members.push_back({"instance", JsonString(candidate.instance)});
        }
        candidates.push_back(JsonObject(members, 2));
    }
    return JsonArray(candidates, 1);
}

std::string TriedJson(const RunReport& run) {
    std::vector<std::string> tried;
    for (const ReportedFile& file : run.tried) {
        tried.push_back(JsonObject({{"file", JsonString(file.file)}, {"exists", JsonBool(file.exists)}}, 2));
    }
    return JsonArray(tried, 1);
}

std::string TagsJson(const Inspection& found) {
    if (!found.profileFound) {
        return "null";
    }
    std::vector<JsonMember> tags;
    for (const InspectTag& tag : found.tags) {
        tags.push_back({platform::Utf16ToUtf8(tag.key), JsonString(tag.text)});
    }
    return JsonObject(tags, 1);
}

std::string OrNone(const std::u16string& text) {
    return text.empty() ? "(none)" : platform::Utf16ToUtf8(text);
}

std::string YesNo(bool value) {
    return value ? "yes" : "no";
}

std::string LuidText(const platform::Luid& luid) {
    return platform::Hex64(platform::LuidValue(luid));
}

std::string DefaultText(const std::optional<std::u16string>& name) {
    return name ? platform::Utf16ToUtf8(*name) : "(none)";
}

// "profiles a, b; standard default a; extended default (none)".
std::string ScopeText(const ScopeProfiles& scope) {
    std::string profiles = "(not answered)";
    if (scope.profiles) {
        profiles.clear();
        for (const std::u16string& name : *scope.profiles) {
            profiles += (profiles.empty() ? "" : ", ") + platform::Utf16ToUtf8(name);
        }
    }
    return "profiles " + (profiles.empty() ? std::string("(none)") : profiles) + "; standard default " +
           DefaultText(scope.standardDefault) + "; extended default " + DefaultText(scope.extendedDefault);
}

std::string DisplayProfilesText(const Inspection& found) {
    const DisplayProfiles& display = found.display;
    if (!display.functions) {
        return "Per-display colour profiles: (the functions are absent: Windows before build 20348, or "
               "Wine)\n";
    }
    if (PanelPath(found.run) == nullptr) {
        return "Per-display colour profiles: (no built-in panel's path to ask about)\n";
    }
    const std::string scope = !display.userScope ? "(not answered)"
                              : *display.userScope == platform::WCS_PROFILE_MANAGEMENT_SCOPE_CURRENT_USER
                                  ? "this account's own"
                                  : "system-wide";
    return "Per-display colour profiles of the built-in panel:\n  Scope in effect for this account: " +
           scope + "\n  System-wide: " + ScopeText(display.system) +
           "\n  This account's own: " + ScopeText(display.user) + "\n";
}

} // namespace

std::string InspectionJson(const Inspection& found) {
    const RunReport& run = found.run;
    const Verdict verdict = Verify(found);
    return JsonObject({
               {"boardProduct", run.boardFound ? JsonString(run.boardProduct) : "null"},
               {"chassisType", ChassisJson(run)},
               {"displayPaths", PathsJson(run)},
               {"adapter", AdapterJson(run)},
               {"vendorId", run.vendorFound ? JsonString(run.vendorId) : "null"},
               {"monitorDevice", JsonStringOrNull(found.monitorDevice)},
               {"monitorName", JsonStringOrNull(found.monitorName)},
               {"candidates", CandidatesJson(run)},
               {"tried", TriedJson(run)},
               {"profile", found.profileFound ? JsonString(found.profile) : "null"},
               {"profileSource", found.profileFound ? JsonString(found.profileSource) : "null"},
               {"tags", TagsJson(found)},
               {"cmdefExists", JsonBool(found.cmdefExists)},
               {"dataFile",
                JsonObject({{"path", JsonString(found.dataFile)}, {"exists", JsonBool(found.dataFileExists)}},
                           1)},
               {"debugSwitches",
                JsonObject(
                    {{"registry", JsonBool(found.registrySwitch)}, {"user", JsonBool(found.userSwitch)}}, 1)},
               {"monitorProfiles",
                found.colorSystemAnswered ? JsonStringArray(found.monitorProfiles, 1) : "null"},
               {"panelPath", PanelPathJson(run)},
               {"panelWarning", JsonStringOrNull(platform::Utf8ToUtf16(PanelWarning(found)))},
               {"displayProfiles", DisplayProfilesJson(found)},
               {"inEffect", JsonBool(verdict.inEffect)},
               {"verdict", JsonString(platform::Utf8ToUtf16(verdict.line))},
           }) +
           "\n";
}

std::string InspectionText(const Inspection& found) {
    const RunReport& run = found.run;
    std::string text;
    auto line = [&text](const std::string& label, const std::string& value) {
        text += label + ": " + value + "\n";
    };
    line("Board product", run.boardFound ? platform::Utf16ToUtf8(run.boardProduct) : "(not read)");
    line("Chassis type",
         run.chassisRead && !run.chassisType.empty() ? platform::Utf16ToUtf8(run.chassisType) : "(not read)");
    text += "Active display paths:\n";
    for (const ReportedPath& path : run.paths) {
        text += "  output technology " + std::to_string(path.outputTechnology) +
                (path.internal ? " (internal)" : "") + ", adapter LUID " + LuidText(path.adapterId) +
                ", source " + std::to_string(path.sourceId) + "\n";
    }
    line("Internal path's source", OrNone(run.internalSource));
    if (run.adapterRule.empty()) {
        line("Adapter", "(none chosen)");
    } else {
        line("Adapter",
             platform::Utf16ToUtf8(run.adapterName) + " " + platform::Utf16ToUtf8(run.adapterString) +
                 ", chosen as " +
                 (run.adapterRule == u"internal" ? "the internal path's source" : "the primary adapter"));
        line("Adapter DeviceID", platform::Utf16ToUtf8(run.adapterId));
    }
    line("Vendor identifier", run.vendorFound ? OrNone(run.vendorId) : "(not read)");
    line("Monitor device", OrNone(found.monitorDevice));
    if (const std::string warning = PanelWarning(found); !warning.empty()) {
        line("Attention", warning);
    }
    text += "Panel candidates, in order:\n";
    for (const ReportedCandidate& candidate : run.candidates) {
        text +=
            "  " + platform::Utf16ToUtf8(candidate.panel) +
            (candidate.fromAcpi ? " from the ACPI panel code\n"
                                : " from the EDID of " + platform::Utf16ToUtf8(candidate.instance) + "\n");
    }
    text += "Profiles tried, in order:\n";
    for (const ReportedFile& file : run.tried) {
        text += "  " + platform::Utf16ToUtf8(file.file) + (file.exists ? " found\n" : " missing\n");
    }
    line("Chosen profile", found.profileFound ? platform::Utf16ToUtf8(found.profile) + " (read from " +
                                                    platform::Utf16ToUtf8(found.profileSource) + ")"
                                              : "(none)");
    for (const InspectTag& tag : found.tags) {
        line("  " + platform::Utf16ToUtf8(tag.key), platform::Utf16ToUtf8(tag.text));
    }
    line("_CMDEF variant", found.cmdefExists ? "present" : "missing");
    line("Data file",
         platform::Utf16ToUtf8(found.dataFile) + (found.dataFileExists ? " (exists)" : " (missing)"));
    line("Registry debug switch", YesNo(found.registrySwitch));
    line("Per-user debug switch", YesNo(found.userSwitch));
    if (!found.colorSystemAnswered) {
        line("Monitor's colour profiles", "(the colour system did not answer)");
    } else {
        text += "Monitor's colour profiles:\n";
        for (const std::u16string& name : found.monitorProfiles) {
            text += "  " + platform::Utf16ToUtf8(name) + "\n";
        }
    }
    text += DisplayProfilesText(found);
    line("Verdict", Verify(found).line);
    return text;
}
