// Validation of a machine description: every key must be one the machine knows, with a value of the
// kind it expects, so that a typo never silently changes the machine.
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>

#include "platform/sim/code_pages.h"
#include "platform/sim/description.h"
#include "platform/sim/display_sources.h"
#include "platform/sim/faults.h"
#include "platform/sim/file_entries.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/records.h"
#include "platform/text.h"

namespace sim {

namespace {

using Path = std::string;

void ExpectObject(const Json& value, const Path& path) {
    if (!value.is_object()) {
        FailAt(path, "must be an object");
    }
}

void ExpectArray(const Json& value, const Path& path) {
    if (!value.is_array()) {
        FailAt(path, "must be an array");
    }
}

void ExpectString(const Json& value, const Path& path) {
    if (!value.is_string()) {
        FailAt(path, "must be a string");
    }
}

void ExpectStringOrNull(const Json& value, const Path& path) {
    if (!value.is_string() && !value.is_null()) {
        FailAt(path, "must be a string or null");
    }
}

void ExpectBool(const Json& value, const Path& path) {
    if (!value.is_boolean()) {
        FailAt(path, "must be true or false");
    }
}

void ExpectUnsigned(const Json& value, const Path& path, uint64_t maximum = UINT32_MAX) {
    // A description built in code holds its numbers as signed ones; parsed text holds them as unsigned.
    const bool whole = value.is_number_unsigned() || (value.is_number_integer() && value.get<int64_t>() >= 0);
    if (!whole || value.get<uint64_t>() > maximum) {
        FailAt(path, "must be a whole number from 0 to " + std::to_string(maximum));
    }
}

void ExpectInteger(const Json& value, const Path& path) {
    if (!value.is_number_integer() || value.get<int64_t>() < INT32_MIN || value.get<int64_t>() > INT32_MAX) {
        FailAt(path, "must be a whole 32-bit number");
    }
}

void ExpectHex(const Json& value, const Path& path) {
    if (!value.is_string() || !platform::IsHex(value.get_ref<const std::string&>())) {
        FailAt(path, "must be a string of hexadecimal byte pairs");
    }
}

void ExpectStringArray(const Json& value, const Path& path) {
    ExpectArray(value, path);
    for (std::size_t i = 0; i < value.size(); ++i) {
        ExpectString(value[i], ElementPath(path, i));
    }
}

// Rejects the first key of an object that is not among the known ones.
void ExpectKeys(const Json& value, const Path& path, std::initializer_list<std::string_view> known) {
    ExpectObject(value, path);
    for (const auto& [key, member] : value.items()) {
        if (std::find(known.begin(), known.end(), key) == known.end()) {
            FailAt(MemberPath(path, key), "is not a known key");
        }
    }
}

// Checks a member of an object when the object has it.
template <typename Check> void IfPresent(const Json& object, const Path& path, const char* key, Check check) {
    if (object.contains(key)) {
        check(object[key], MemberPath(path, key));
    }
}

void ExpectUnsigned32(const Json& value, const Path& path) {
    ExpectUnsigned(value, path);
}

void ValidateConsole(const Json& console, const Path& path) {
    ExpectKeys(console, path, {"sessionId", "user", "queryFails"});
    IfPresent(console, path, "sessionId", ExpectUnsigned32);
    IfPresent(console, path, "user", ExpectString);
    IfPresent(console, path, "queryFails", ExpectBool);
}

void ValidateRegistryValue(const Json& value, const Path& path) {
    ExpectKeys(value, path, {"type", "data"});
    if (!value.contains("type") || !value.contains("data")) {
        FailAt(path, "must give both \"type\" and \"data\"");
    }
    const Json& type = value["type"];
    const Json& data = value["data"];
    const Path dataPath = MemberPath(path, "data");
    if (type == "REG_DWORD") {
        ExpectUnsigned(data, dataPath);
    } else if (type == "REG_QWORD") {
        ExpectUnsigned(data, dataPath, UINT64_MAX);
    } else if (type == "REG_SZ") {
        ExpectString(data, dataPath);
    } else if (type == "REG_BINARY") {
        ExpectHex(data, dataPath);
    } else {
        FailAt(MemberPath(path, "type"), "must be REG_DWORD, REG_QWORD, REG_SZ or REG_BINARY");
    }
}

void ValidateRegistry(const Json& registry, const Path& path) {
    ExpectObject(registry, path);
    for (const auto& [keyName, key] : registry.items()) {
        const Path keyPath = MemberPath(path, keyName);
        const std::string prefix = platform::UpperAsciiText(keyName.substr(0, 5));
        const bool hklm = prefix == "HKLM" || prefix == "HKLM\\";
        if (!hklm) {
            FailAt(keyPath, "must be a key path under HKLM\\");
        }
        ExpectObject(key, keyPath);
        for (const auto& [valueName, value] : key.items()) {
            if (valueName == "$denied") {
                ExpectBool(value, MemberPath(keyPath, valueName));
            } else {
                ValidateRegistryValue(value, MemberPath(keyPath, valueName));
            }
        }
    }
}

void ValidateBlockContent(const Json& content, const Path& path) {
    if (content.is_string()) {
        ExpectHex(content, path);
        return;
    }
    ExpectKeys(content, path, {"bytes", "lowerBound", "elementSize"});
    ExpectHex(content.contains("bytes") ? content["bytes"] : Json(), MemberPath(path, "bytes"));
    IfPresent(content, path, "lowerBound", ExpectInteger);
    IfPresent(content, path, "elementSize", ExpectUnsigned32);
}

void ValidateProperty(const std::string& name, const Json& value, const Path& path) {
    if (name == "BlockContent") {
        ValidateBlockContent(value, path);
    } else if (value.is_array()) {
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (!value[i].is_number_integer()) {
                FailAt(ElementPath(path, i), "must be a whole number");
            }
        }
    } else if (value.is_number_float()) {
        // WMI hands out integers only: a fraction, or a number too large for any integer, has no value.
        FailAt(path, "must be a whole number");
    } else if (!value.is_string() && !value.is_boolean() && !value.is_number() && !value.is_null()) {
        FailAt(path, "must be a string, a boolean, a whole number, null or an array of whole numbers");
    }
}

void ValidateWmi(const Json& wmi, const Path& path) {
    ExpectObject(wmi, path);
    for (const auto& [namespaceName, classes] : wmi.items()) {
        const Path namespacePath = MemberPath(path, namespaceName);
        ExpectObject(classes, namespacePath);
        for (const auto& [className, instances] : classes.items()) {
            const Path classPath = MemberPath(namespacePath, className);
            ExpectArray(instances, classPath);
            for (std::size_t i = 0; i < instances.size(); ++i) {
                ExpectObject(instances[i], ElementPath(classPath, i));
                for (const auto& [property, value] : instances[i].items()) {
                    ValidateProperty(property, value, MemberPath(ElementPath(classPath, i), property));
                }
            }
        }
    }
}

void ValidateDevice(const Json& device, const Path& path, bool adapter) {
    if (adapter) {
        ExpectKeys(device, path,
                   {"DeviceName", "DeviceString", "StateFlags", "DeviceID", "DeviceKey", "monitors"});
    } else {
        ExpectKeys(device, path, {"DeviceName", "DeviceString", "StateFlags", "DeviceID", "DeviceKey"});
    }
    for (const char* text : {"DeviceName", "DeviceString", "DeviceID", "DeviceKey"}) {
        IfPresent(device, path, text, ExpectString);
    }
    IfPresent(device, path, "StateFlags", ExpectUnsigned32);
    if (device.contains("monitors")) {
        const Path monitorsPath = MemberPath(path, "monitors");
        ExpectArray(device["monitors"], monitorsPath);
        for (std::size_t i = 0; i < device["monitors"].size(); ++i) {
            ValidateDevice(device["monitors"][i], ElementPath(monitorsPath, i), false);
        }
    }
}

void ExpectLuid(const Json& value, const Path& path) {
    platform::Luid luid{};
    if (!value.is_string() || !ParseLuid(value.get_ref<const std::string&>(), luid)) {
        FailAt(path, "must be a string \"0x\" followed by one to sixteen hexadecimal digits");
    }
}

// Paths that share a source (clone mode) answer the source-name request alike, so they give one name.
void ExpectOneNamePerSource(const Json& paths, const Path& path) {
    std::map<std::pair<uint64_t, uint32_t>, std::size_t> first;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const PathSource source = SourceOfPath(paths, i);
        const auto [earlier, added] =
            first.emplace(std::make_pair(platform::LuidValue(source.adapterId), source.id), i);
        if (!added && paths[i].value("sourceName", "") != paths[earlier->second].value("sourceName", "")) {
            FailAt(ElementPath(path, i), "shares its source with " + ElementPath(path, earlier->second) +
                                             " but gives another \"sourceName\"");
        }
    }
}

void ValidateDisplay(const Json& display, const Path& path) {
    ExpectKeys(display, path, {"adapters", "paths"});
    if (display.contains("adapters")) {
        const Path adaptersPath = MemberPath(path, "adapters");
        ExpectArray(display["adapters"], adaptersPath);
        for (std::size_t i = 0; i < display["adapters"].size(); ++i) {
            ValidateDevice(display["adapters"][i], ElementPath(adaptersPath, i), true);
        }
    }
    if (display.contains("paths")) {
        const Path pathsPath = MemberPath(path, "paths");
        ExpectArray(display["paths"], pathsPath);
        for (std::size_t i = 0; i < display["paths"].size(); ++i) {
            const Json& entry = display["paths"][i];
            const Path entryPath = ElementPath(pathsPath, i);
            ExpectKeys(entry, entryPath, {"outputTechnology", "sourceName", "adapterLuid", "sourceId"});
            IfPresent(entry, entryPath, "outputTechnology", ExpectUnsigned32);
            IfPresent(entry, entryPath, "sourceName", ExpectString);
            IfPresent(entry, entryPath, "adapterLuid", ExpectLuid);
            IfPresent(entry, entryPath, "sourceId", ExpectUnsigned32);
        }
        ExpectOneNamePerSource(display["paths"], pathsPath);
    }
}

void ValidateAcpi(const Json& acpi, const Path& path) {
    ExpectKeys(acpi, path, {"present", "reply"});
    IfPresent(acpi, path, "present", ExpectBool);
    IfPresent(acpi, path, "reply", ExpectHex);
}

void ExpectStringArrayOrNull(const Json& value, const Path& path) {
    if (!value.is_null()) {
        ExpectStringArray(value, path);
    }
}

void ValidateDisplayScope(const Json& scope, const Path& path) {
    ExpectKeys(scope, path, {"profiles", "standardDefault", "extendedDefault"});
    IfPresent(scope, path, "profiles", ExpectStringArrayOrNull);
    IfPresent(scope, path, "standardDefault", ExpectStringOrNull);
    IfPresent(scope, path, "extendedDefault", ExpectStringOrNull);
}

// The display lists of a machine of build 20348 or later, by the GDI name of each display's source.
void ValidateDisplays(const Json& displays, const Path& path) {
    ExpectObject(displays, path);
    for (const auto& [source, display] : displays.items()) {
        const Path displayPath = MemberPath(path, source);
        ExpectKeys(display, displayPath, {"userScope", "system", "user"});
        IfPresent(display, displayPath, "userScope", [](const Json& scope, const Path& where) {
            if (!scope.is_null() && scope != "system" && scope != "user") {
                FailAt(where, "must be \"system\", \"user\" or null");
            }
        });
        IfPresent(display, displayPath, "system", ValidateDisplayScope);
        IfPresent(display, displayPath, "user", ValidateDisplayScope);
    }
}

void ValidateColorSystem(const Json& colorSystem, const Path& path) {
    ExpectKeys(colorSystem, path, {"installed", "associations", "displays"});
    IfPresent(colorSystem, path, "installed", ExpectStringArray);
    IfPresent(colorSystem, path, "associations", [](const Json& associations, const Path& where) {
        ExpectObject(associations, where);
        for (const auto& [device, profiles] : associations.items()) {
            ExpectStringArray(profiles, MemberPath(where, device));
        }
    });
    IfPresent(colorSystem, path, "displays", ValidateDisplays);
}

void ValidateFault(const Json& fault, const Path& path) {
    ExpectObject(fault, path);
    const Path callPath = MemberPath(path, "call");
    if (!fault.contains("call")) {
        FailAt(path, "must name its \"call\"");
    }
    ExpectString(fault["call"], callPath);
    const FaultKind* kind = FindFaultKind(fault["call"].get_ref<const std::string&>());
    if (kind == nullptr) {
        FailAt(callPath, "names no call that can be made to fail");
    }
    for (const auto& [key, value] : fault.items()) {
        const Path keyPath = MemberPath(path, key);
        if (key == "call") {
            continue;
        }
        if (key == "result") {
            // A text that reads as a code gives the same value whatever the fallback.
            const bool code = value.is_number_integer() ||
                              (value.is_string() && FaultCode(fault, 1) == FaultCode(fault, 0));
            if (kind->result == FaultResultKind::None) {
                FailAt(keyPath, "is not taken by this call: it fails without a result code");
            }
            if (!code) {
                FailAt(keyPath, "must be a number or a string \"0x...\"");
            }
        } else if (std::find(kind->fields.begin(), kind->fields.end(), key) == kind->fields.end()) {
            FailAt(keyPath, "is not a match field of this call");
        } else if (key == "namespace" || key == "class" || key == "property" || key == "to") {
            ExpectString(value, keyPath);
        } else if (key == "index") {
            // An array's elements may start below 0.
            ExpectInteger(value, keyPath);
        } else {
            ExpectUnsigned(value, keyPath);
        }
    }
}

void ExpectDrivePath(const std::string& text, const Path& path) {
    if (!IsDrivePath(platform::Utf8ToUtf16(text))) {
        FailAt(path, "must be a Windows path on a drive (\"C:\\...\")");
    }
}

void ValidateFiles(const Json& files, const Path& path) {
    ExpectObject(files, path);
    for (const auto& [name, entry] : files.items()) {
        ExpectDrivePath(name, MemberPath(path, name));
        ReadFileEntry(entry, MemberPath(path, name), FileEntry{});
    }
}

// Checks that an object gives every one of the keys, and no other.
void ExpectAllKeys(const Json& value, const Path& path, std::initializer_list<std::string_view> keys) {
    ExpectKeys(value, path, keys);
    for (const std::string_view key : keys) {
        if (!value.contains(key)) {
            FailAt(path, "must give \"" + std::string(key) + "\"");
        }
    }
}

void ValidateEvent(const Json& event, const Path& path) {
    ExpectAllKeys(event, path, {"after", "occurrence", "link"});
    const Json& after = event["after"];
    const auto calls = JournalCalls();
    if (!after.is_string() ||
        std::find(calls.begin(), calls.end(), after.get<std::string>()) == calls.end()) {
        FailAt(MemberPath(path, "after"), "must name a call that the journal records");
    }
    ExpectUnsigned(event["occurrence"], MemberPath(path, "occurrence"), UINT32_MAX);
    if (event["occurrence"] == 0) {
        FailAt(MemberPath(path, "occurrence"), "counts from 1");
    }
    const Path linkPath = MemberPath(path, "link");
    ExpectAllKeys(event["link"], linkPath, {"path", "target"});
    for (const char* key : {"path", "target"}) {
        ExpectString(event["link"][key], MemberPath(linkPath, key));
        ExpectDrivePath(event["link"][key].get<std::string>(), MemberPath(linkPath, key));
    }
}

void ValidateFaults(const Json& faults, const Path& path) {
    ExpectArray(faults, path);
    for (std::size_t i = 0; i < faults.size(); ++i) {
        ValidateFault(faults[i], ElementPath(path, i));
    }
}

} // namespace

void FailAt(const std::string& path, const std::string& what) {
    throw MachineError("\"" + path + "\" " + what);
}

std::string MemberPath(const std::string& path, std::string_view key) {
    return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string ElementPath(const std::string& path, std::size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

void Validate(const Json& description) {
    if (!description.is_object()) {
        throw MachineError("the machine description must be a JSON object");
    }
    for (const auto& [key, value] : description.items()) {
        if (key == "program" || key == "commandLine" || key == "systemDirectory") {
            ExpectStringOrNull(value, key);
        } else if (key == "ansiCodePage") {
            ExpectUnsigned(value, key, UINT16_MAX);
            if (!IsSupportedCodePage(value.get<platform::UINT>())) {
                throw MachineError(
                    "\"ansiCodePage\" must be an ANSI code page of Windows (874, 932, 936, 949, 950, "
                    "1250 to 1258, 65001) or 28591");
            }
        } else if (key == "shortNames") {
            ExpectBool(value, key);
        } else if (key == "missingLibraries" || key == "missingFunctions") {
            ExpectStringArray(value, key);
        } else if (key == "console") {
            ValidateConsole(value, key);
        } else if (key == "registry") {
            ValidateRegistry(value, key);
        } else if (key == "wmi") {
            ValidateWmi(value, key);
        } else if (key == "display") {
            ValidateDisplay(value, key);
        } else if (key == "acpi") {
            ValidateAcpi(value, key);
        } else if (key == "colorSystem") {
            ValidateColorSystem(value, key);
        } else if (key == "faults") {
            ValidateFaults(value, key);
        } else if (key == "files") {
            ValidateFiles(value, key);
        } else if (key == "events") {
            ExpectArray(value, key);
            for (std::size_t i = 0; i < value.size(); ++i) {
                ValidateEvent(value[i], ElementPath(key, i));
            }
        } else {
            FailAt(key, "is not a known key");
        }
    }
}

} // namespace sim
