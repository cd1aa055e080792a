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
#include "platform/text.h"

namespace sim {

namespace {

using Path = std::string;

[[noreturn]] void Fail(const Path& path, const std::string& what) {
    throw MachineError("\"" + path + "\" " + what);
}

Path Member(const Path& path, std::string_view key) {
    return path.empty() ? std::string(key) : path + "." + std::string(key);
}

Path Element(const Path& path, std::size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

void ExpectObject(const Json& value, const Path& path) {
    if (!value.is_object()) {
        Fail(path, "must be an object");
    }
}

void ExpectArray(const Json& value, const Path& path) {
    if (!value.is_array()) {
        Fail(path, "must be an array");
    }
}

void ExpectString(const Json& value, const Path& path) {
    if (!value.is_string()) {
        Fail(path, "must be a string");
    }
}

void ExpectStringOrNull(const Json& value, const Path& path) {
    if (!value.is_string() && !value.is_null()) {
        Fail(path, "must be a string or null");
    }
}

void ExpectBool(const Json& value, const Path& path) {
    if (!value.is_boolean()) {
        Fail(path, "must be true or false");
    }
}

void ExpectUnsigned(const Json& value, const Path& path, uint64_t maximum = UINT32_MAX) {
    // A description built in code holds its numbers as signed ones; parsed text holds them as unsigned.
    const bool whole = value.is_number_unsigned() || (value.is_number_integer() && value.get<int64_t>() >= 0);
    if (!whole || value.get<uint64_t>() > maximum) {
        Fail(path, "must be a whole number from 0 to " + std::to_string(maximum));
    }
}

void ExpectInteger(const Json& value, const Path& path) {
    if (!value.is_number_integer() || value.get<int64_t>() < INT32_MIN || value.get<int64_t>() > INT32_MAX) {
        Fail(path, "must be a whole 32-bit number");
    }
}

void ExpectHex(const Json& value, const Path& path) {
    if (!value.is_string() || !platform::IsHex(value.get_ref<const std::string&>())) {
        Fail(path, "must be a string of hexadecimal byte pairs");
    }
}

void ExpectStringArray(const Json& value, const Path& path) {
    ExpectArray(value, path);
    for (std::size_t i = 0; i < value.size(); ++i) {
        ExpectString(value[i], Element(path, i));
    }
}

// Rejects the first key of an object that is not among the known ones.
void ExpectKeys(const Json& value, const Path& path, std::initializer_list<std::string_view> known) {
    ExpectObject(value, path);
    for (const auto& [key, member] : value.items()) {
        if (std::find(known.begin(), known.end(), key) == known.end()) {
            Fail(Member(path, key), "is not a known key");
        }
    }
}

// Checks a member of an object when the object has it.
template <typename Check> void IfPresent(const Json& object, const Path& path, const char* key, Check check) {
    if (object.contains(key)) {
        check(object[key], Member(path, key));
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
        Fail(path, "must give both \"type\" and \"data\"");
    }
    const Json& type = value["type"];
    const Json& data = value["data"];
    const Path dataPath = Member(path, "data");
    if (type == "REG_DWORD") {
        ExpectUnsigned(data, dataPath);
    } else if (type == "REG_QWORD") {
        ExpectUnsigned(data, dataPath, UINT64_MAX);
    } else if (type == "REG_SZ") {
        ExpectString(data, dataPath);
    } else if (type == "REG_BINARY") {
        ExpectHex(data, dataPath);
    } else {
        Fail(Member(path, "type"), "must be REG_DWORD, REG_QWORD, REG_SZ or REG_BINARY");
    }
}

void ValidateRegistry(const Json& registry, const Path& path) {
    ExpectObject(registry, path);
    for (const auto& [keyName, key] : registry.items()) {
        const Path keyPath = Member(path, keyName);
        const std::string prefix = platform::UpperAsciiText(keyName.substr(0, 5));
        const bool hklm = prefix == "HKLM" || prefix == "HKLM\\";
        if (!hklm) {
            Fail(keyPath, "must be a key path under HKLM\\");
        }
        ExpectObject(key, keyPath);
        for (const auto& [valueName, value] : key.items()) {
            if (valueName == "$denied") {
                ExpectBool(value, Member(keyPath, valueName));
            } else {
                ValidateRegistryValue(value, Member(keyPath, valueName));
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
    ExpectHex(content.contains("bytes") ? content["bytes"] : Json(), Member(path, "bytes"));
    IfPresent(content, path, "lowerBound", ExpectInteger);
    IfPresent(content, path, "elementSize", ExpectUnsigned32);
}

void ValidateProperty(const std::string& name, const Json& value, const Path& path) {
    if (name == "BlockContent") {
        ValidateBlockContent(value, path);
    } else if (value.is_array()) {
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (!value[i].is_number_integer()) {
                Fail(Element(path, i), "must be a whole number");
            }
        }
    } else if (value.is_number_float()) {
        // WMI hands out integers only: a fraction, or a number too large for any integer, has no value.
        Fail(path, "must be a whole number");
    } else if (!value.is_string() && !value.is_boolean() && !value.is_number() && !value.is_null()) {
        Fail(path, "must be a string, a boolean, a whole number, null or an array of whole numbers");
    }
}

void ValidateWmi(const Json& wmi, const Path& path) {
    ExpectObject(wmi, path);
    for (const auto& [namespaceName, classes] : wmi.items()) {
        const Path namespacePath = Member(path, namespaceName);
        ExpectObject(classes, namespacePath);
        for (const auto& [className, instances] : classes.items()) {
            const Path classPath = Member(namespacePath, className);
            ExpectArray(instances, classPath);
            for (std::size_t i = 0; i < instances.size(); ++i) {
                ExpectObject(instances[i], Element(classPath, i));
                for (const auto& [property, value] : instances[i].items()) {
                    ValidateProperty(property, value, Member(Element(classPath, i), property));
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
        const Path monitorsPath = Member(path, "monitors");
        ExpectArray(device["monitors"], monitorsPath);
        for (std::size_t i = 0; i < device["monitors"].size(); ++i) {
            ValidateDevice(device["monitors"][i], Element(monitorsPath, i), false);
        }
    }
}

void ExpectLuid(const Json& value, const Path& path) {
    platform::Luid luid{};
    if (!value.is_string() || !ParseLuid(value.get_ref<const std::string&>(), luid)) {
        Fail(path, "must be a string \"0x\" followed by one to sixteen hexadecimal digits");
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
            Fail(Element(path, i), "shares its source with " + Element(path, earlier->second) +
                                       " but gives another \"sourceName\"");
        }
    }
}

void ValidateDisplay(const Json& display, const Path& path) {
    ExpectKeys(display, path, {"adapters", "paths"});
    if (display.contains("adapters")) {
        const Path adaptersPath = Member(path, "adapters");
        ExpectArray(display["adapters"], adaptersPath);
        for (std::size_t i = 0; i < display["adapters"].size(); ++i) {
            ValidateDevice(display["adapters"][i], Element(adaptersPath, i), true);
        }
    }
    if (display.contains("paths")) {
        const Path pathsPath = Member(path, "paths");
        ExpectArray(display["paths"], pathsPath);
        for (std::size_t i = 0; i < display["paths"].size(); ++i) {
            const Json& entry = display["paths"][i];
            const Path entryPath = Element(pathsPath, i);
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
        const Path displayPath = Member(path, source);
        ExpectKeys(display, displayPath, {"userScope", "system", "user"});
        IfPresent(display, displayPath, "userScope", [](const Json& scope, const Path& where) {
            if (!scope.is_null() && scope != "system" && scope != "user") {
                Fail(where, "must be \"system\", \"user\" or null");
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
            ExpectStringArray(profiles, Member(where, device));
        }
    });
    IfPresent(colorSystem, path, "displays", ValidateDisplays);
}

void ValidateFault(const Json& fault, const Path& path) {
    ExpectObject(fault, path);
    const Path callPath = Member(path, "call");
    if (!fault.contains("call")) {
        Fail(path, "must name its \"call\"");
    }
    ExpectString(fault["call"], callPath);
    const FaultKind* kind = FindFaultKind(fault["call"].get_ref<const std::string&>());
    if (kind == nullptr) {
        Fail(callPath, "names no call that can be made to fail");
    }
    for (const auto& [key, value] : fault.items()) {
        const Path keyPath = Member(path, key);
        if (key == "call") {
            continue;
        }
        if (key == "result") {
            // A text that reads as a code gives the same value whatever the fallback.
            const bool code = value.is_number_integer() ||
                              (value.is_string() && FaultCode(fault, 1) == FaultCode(fault, 0));
            if (kind->result == FaultResultKind::None) {
                Fail(keyPath, "is not taken by this call: it fails without a result code");
            }
            if (!code) {
                Fail(keyPath, "must be a number or a string \"0x...\"");
            }
        } else if (std::find(kind->fields.begin(), kind->fields.end(), key) == kind->fields.end()) {
            Fail(keyPath, "is not a match field of this call");
        } else if (key == "namespace" || key == "class" || key == "property") {
            ExpectString(value, keyPath);
        } else if (key == "index") {
            // An array's elements may start below 0.
            ExpectInteger(value, keyPath);
        } else {
            ExpectUnsigned(value, keyPath);
        }
    }
}

void ValidateFaults(const Json& faults, const Path& path) {
    ExpectArray(faults, path);
    for (std::size_t i = 0; i < faults.size(); ++i) {
        ValidateFault(faults[i], Element(path, i));
    }
}

} // namespace

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
        } else {
            Fail(key, "is not a known key");
        }
    }
}

} // namespace sim
