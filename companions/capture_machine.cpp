#include "companions/capture_machine.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

#include "app/run_context.h"
#include "app/run_sequence.h"
#include "companions/display_profiles.h"
#include "companions/json_text.h"
#include "discovery/wmi_access.h"
#include "panel/panel_candidates.h"
#include "platform/code_page.h"
#include "platform/color_system.h"
#include "platform/display.h"
#include "platform/files.h"
#include "platform/library.h"
#include "platform/registry.h"
#include "platform/terminal_services.h"
#include "platform/text.h"

using namespace platform;

namespace {

constexpr std::size_t kPathText = 512;
constexpr char16_t kSwitchKey[] = u"Software\\NORVIK\\Quillory\\NorvikOptimization";
constexpr char16_t kSwitchValue[] = u"LumisseDebug";
constexpr char16_t kAnonymousUser[] = u"user";

// A failure the capture met, to be produced again on replay.
struct Fault {
    std::string call;
    std::vector<JsonMember> match;
    std::string result;
};

// An active path's source, by its GDI name.
struct NamedSource {
    std::u16string name;
    DisplayConfigPathSourceInfo source;
};

struct Capture {
    bool anonymous = false;
    std::vector<Fault> faults;
    std::vector<NamedSource> sources;
};

// An HRESULT as the JSON string "0x%08X".
std::string HresultJson(uint32_t value) {
    return "\"" + platform::Hex32(value) + "\"";
}

std::string Program() {
    char16_t folder[kProgramFolderText] = {};
    GetProgramFolder(folder);
    return JsonString(std::u16string(folder) + u"tintfold.exe");
}

std::string SystemDirectory() {
    char16_t directory[kPathText] = {};
    if (GetSystemDirectoryW(directory, kPathText) == 0) {
        return "null";
    }
    return JsonString(directory);
}

std::string Console(const Capture& capture) {
    const DWORD session = WTSGetActiveConsoleSessionId();
    std::vector<JsonMember> members{{"sessionId", std::to_string(session)}};
    char16_t* user = nullptr;
    DWORD bytes = 0;
    if (WTSQuerySessionInformationFunc == nullptr ||
        WTSQuerySessionInformationFunc(WTS_CURRENT_SERVER_HANDLE(), session, WTSUserName, &user, &bytes) ==
            kFalse ||
        user == nullptr) {
        members.push_back({"queryFails", "true"});
    } else {
        members.push_back({"user", JsonString(capture.anonymous && user[0] != 0 ? kAnonymousUser : user)});
    }
    return JsonObject(members, 1);
}

// The registry switch's key with its value as the registry holds it.
std::string Registry() {
    HKEY key = nullptr;
    const LONG opened =
        RegOpenKeyExW(HKeyLocalMachine(), kSwitchKey, 0, KEY_WOW64_64KEY | KEY_QUERY_VALUE, &key);
    const std::string keyName = Utf16ToUtf8(std::u16string(u"HKLM\\") + kSwitchKey);
    if (opened == static_cast<LONG>(ERROR_ACCESS_DENIED)) {
        return JsonObject({{keyName, JsonObject({{"$denied", "true"}}, 2)}}, 1);
    }
    if (opened != static_cast<LONG>(ERROR_SUCCESS)) {
        return "{}";
    }
    std::array<BYTE, 1024> data{};
    DWORD size = static_cast<DWORD>(data.size());
    DWORD type = REG_NONE;
    const LONG read = RegQueryValueExW(key, kSwitchValue, nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    std::vector<JsonMember> values;
    if (read == static_cast<LONG>(ERROR_SUCCESS) && size <= data.size()) {
        uint64_t number = 0;
        for (std::size_t i = 0; i < size && i < sizeof number; ++i) {
            number |= static_cast<uint64_t>(data[i]) << (8 * i);
        }
        std::string typeName = "\"REG_BINARY\"";
        std::string value = JsonString(Utf8ToUtf16(platform::ToHex(data.data(), size)));
        if (type == REG_DWORD && size == 4) {
            typeName = "\"REG_DWORD\"";
            value = std::to_string(number);
        } else if (type == REG_QWORD && size == 8) {
            typeName = "\"REG_QWORD\"";
            value = std::to_string(number);
        } else if (type == REG_SZ) {
            std::u16string text;
            for (std::size_t i = 0; i + 1 < size; i += 2) {
                const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
                if (unit == 0) {
                    break;
                }
                text.push_back(unit);
            }
            typeName = "\"REG_SZ\"";
            value = JsonString(text);
        }
        values.push_back({"LumisseDebug", JsonObject({{"type", typeName}, {"data", value}}, 3)});
    }
    return JsonObject({{keyName, JsonObject(values, 2)}}, 1);
}

// A WMI value as the description writes it: strings, booleans, numbers, arrays of numbers, null.
std::string WmiValue(const Variant& value) {
    if ((value.vt & VT_ARRAY) != 0 && value.parray != nullptr) {
        // Arrays of integers only, with elements of the size the array declares; raw little-endian.
        const auto element = static_cast<VARTYPE>(value.vt & ~VT_ARRAY);
        const UINT size = SafeArrayGetElemsize(value.parray);
        const bool integers = element == VT_UI1 || element == VT_I2 || element == VT_UI2 ||
                              element == VT_I4 || element == VT_UI4;
        LONG lower = 0;
        LONG upper = -1;
        if (!integers || size == 0 || size > sizeof(uint64_t) ||
            Failed(SafeArrayGetLBound(value.parray, 1, &lower)) ||
            Failed(SafeArrayGetUBound(value.parray, 1, &upper))) {
            return "null";
        }
        std::string elements;
        for (LONG i = lower; i <= upper; ++i) {
            uint64_t number = 0;
            LONG index = i;
            SafeArrayGetElement(value.parray, &index, &number);
            elements += (elements.empty() ? "" : ", ") + std::to_string(number);
        }
        return "[" + elements + "]";
    }
    switch (value.vt) {
    case VT_BSTR:
        return value.bstrVal != nullptr ? JsonString(value.bstrVal) : "null";
    case VT_BOOL:
        return JsonBool(value.boolVal != VARIANT_FALSE);
    case VT_UI1:
        return std::to_string(value.bVal);
    case VT_I2:
    case VT_UI2:
        return std::to_string(value.uiVal);
    case VT_I4:
    case VT_UI4:
        return std::to_string(value.ulVal);
    default:
        return "null";
    }
}

struct WmiClass {
    const char16_t* name;
    bool byQuery;
    std::vector<const char16_t*> members;
};

// The members the tool reads of every instance of one class; a class the namespace lacks is left out.
// A query or read that fails is kept as a fault.
void CaptureClass(Capture& capture, WbemServices* services, const char16_t* wmiNamespace,
                  const WmiClass& wmiClass, std::vector<JsonMember>& classes,
                  std::vector<std::vector<JsonMember>>& instances) {
    const std::string nsJson = JsonString(wmiNamespace);
    const std::string classJson = JsonString(wmiClass.name);
    const OwnedBstr name(wmiClass.name);
    WbemClassObject* classObject = nullptr;
    HRESULT hr = services->GetObject(name.get(), 0, nullptr, &classObject, nullptr);
    if (classObject != nullptr) {
        classObject->Release();
    }
    if (hr == WBEM_E_NOT_FOUND || hr == WBEM_E_INVALID_CLASS) {
        return;
    }
    const char* failedCall = "GetObject";
    EnumWbemClassObject* enumerator = nullptr;
    if (Succeeded(hr)) {
        // The instances as the tool asks for them: by query, or by enumeration of the class.
        failedCall = wmiClass.byQuery ? "ExecQuery" : "CreateInstanceEnum";
        hr = wmiClass.byQuery
                 ? ExecWqlQuery(services, (std::u16string(u"SELECT * FROM ") + wmiClass.name).c_str(),
                                &enumerator)
                 : services->CreateInstanceEnum(name.get(), 0, nullptr, &enumerator);
    }
    if (Failed(hr) || enumerator == nullptr) {
        capture.faults.push_back({failedCall,
                                  {{"namespace", nsJson}, {"class", classJson}},
                                  HresultJson(static_cast<uint32_t>(hr))});
        classes.push_back({Utf16ToUtf8(wmiClass.name), "[]"});
        return;
    }
    instances.clear();
    int index = 0;
    ForEachWbemObject(enumerator, [&](WbemClassObject& object) {
        std::vector<JsonMember> members;
        for (const char16_t* member : wmiClass.members) {
            Variant value;
            VariantInit(&value);
            CIMTYPE type = 0;
            const HRESULT got = object.Get(member, 0, &value, &type, nullptr);
            if (Failed(got)) {
                capture.faults.push_back({"Get",
                                          {{"namespace", nsJson},
                                           {"class", classJson},
                                           {"instance", std::to_string(index)},
                                           {"property", JsonString(member)}},
                                          HresultJson(static_cast<uint32_t>(got))});
            } else {
                members.push_back({Utf16ToUtf8(member), WmiValue(value)});
            }
            VariantClear(&value);
        }
        instances.push_back(members);
        ++index;
    });
    enumerator->Release();
    std::vector<std::string> objects;
    for (const auto& members : instances) {
        objects.push_back(JsonObject(members, 4));
    }
    classes.push_back({Utf16ToUtf8(wmiClass.name), JsonArray(objects, 3)});
}

// A serial number is no business of a replay: the EDID's serial field and its serial text descriptor.
void Anonymise(std::array<uint8_t, kEdidBlockBytes>& edid) {
    std::fill(edid.begin() + 12, edid.begin() + 16, uint8_t{0});
    for (std::size_t descriptor = 54; descriptor + 18 <= edid.size(); descriptor += 18) {
        if (edid[descriptor] == 0 && edid[descriptor + 1] == 0 && edid[descriptor + 3] == 0xFF) {
            for (std::size_t i = descriptor + 5; i < descriptor + 18 && edid[i] != '\n'; ++i) {
                edid[i] = '0';
            }
        }
    }
}

std::vector<MonitorEdidEntry> MonitorBlocks(bool anonymous) {
    std::vector<MonitorEdidEntry> monitors = ReadMonitorEdids();
    if (anonymous) {
        for (MonitorEdidEntry& monitor : monitors) {
            Anonymise(monitor.block);
        }
    }
    return monitors;
}

std::string WmiNamespace(Capture& capture, const char16_t* wmiNamespace, const std::vector<WmiClass>& classes,
                         const std::vector<MonitorEdidEntry>* blocks) {
    WmiConnection wmi;
    if (!ConnectWmi(wmiNamespace, wmi)) {
        const char* call = wmi.failedStep == WmiStep::Locator   ? "CoCreateInstance"
                           : wmi.failedStep == WmiStep::Connect ? "ConnectServer"
                                                                : "CoSetProxyBlanket";
        // The locator is created before any namespace is named: its failure fails every connection.
        std::vector<JsonMember> fields;
        if (wmi.failedStep != WmiStep::Locator) {
            fields.push_back({"namespace", JsonString(wmiNamespace)});
        }
        capture.faults.push_back({call, fields, HresultJson(static_cast<uint32_t>(wmi.result))});
        return "{}";
    }
    std::vector<JsonMember> members;
    for (const WmiClass& wmiClass : classes) {
        std::vector<std::vector<JsonMember>> instances;
        CaptureClass(capture, wmi.services, wmiNamespace, wmiClass, members, instances);
        if (blocks == nullptr || members.empty() || members.back().name != "WmiMonitorDescriptorMethods") {
            continue;
        }
        // Each descriptor instance answers the EDID method with the block the tool read for it.
        std::vector<std::string> objects;
        for (auto& instance : instances) {
            for (const MonitorEdidEntry& block : *blocks) {
                if (!instance.empty() && instance.front().value == JsonString(block.instance)) {
                    instance.push_back({"BlockType", std::to_string(block.blockType)});
                    instance.push_back(
                        {"BlockContent",
                         JsonString(Utf8ToUtf16(platform::ToHex(block.block.data(), block.block.size())))});
                }
            }
            objects.push_back(JsonObject(instance, 4));
        }
        members.back().value = JsonArray(objects, 3);
    }
    ReleaseWmi(wmi);
    return JsonObject(members, 2);
}

std::string Wmi(Capture& capture) {
    const std::vector<MonitorEdidEntry> blocks = MonitorBlocks(capture.anonymous);
    return JsonObject(
        {{"ROOT\\CIMV2", WmiNamespace(capture, u"ROOT\\CIMV2",
                                      {{u"Win32_BaseBoard", true, {u"Product"}},
                                       {u"Win32_SystemEnclosure", true, {u"ChassisTypes"}}},
                                      nullptr)},
         {"ROOT\\WMI",
          WmiNamespace(
              capture, u"ROOT\\WMI",
              {{u"WmiMonitorConnectionParams", false, {u"InstanceName", u"Active", u"VideoOutputTechnology"}},
               {u"WmiMonitorDescriptorMethods", false, {u"InstanceName"}}},
              &blocks)}},
        1);
}

std::string DisplayDevice(const DisplayDeviceW& device, int indent, const std::string& monitors = {}) {
    std::vector<JsonMember> members{{"DeviceName", JsonString(device.DeviceName)},
                                    {"DeviceString", JsonString(device.DeviceString)},
                                    {"StateFlags", std::to_string(device.StateFlags)},
                                    {"DeviceID", JsonString(device.DeviceID)},
                                    {"DeviceKey", JsonString(device.DeviceKey)}};
    if (!monitors.empty()) {
        members.push_back({"monitors", monitors});
    }
    return JsonObject(members, indent);
}

bool NextDevice(const char16_t* parent, DWORD index, DisplayDeviceW& device) {
    std::memset(&device, 0, sizeof device);
    device.cb = sizeof device;
    return EnumDisplayDevicesFunc != nullptr && EnumDisplayDevicesFunc(parent, index, &device, 0) != kFalse;
}

std::string Adapters() {
    std::vector<std::string> adapters;
    DisplayDeviceW adapter;
    for (DWORD i = 0; NextDevice(nullptr, i, adapter); ++i) {
        std::vector<std::string> monitors;
        DisplayDeviceW monitor;
        for (DWORD j = 0; NextDevice(adapter.DeviceName, j, monitor); ++j) {
            monitors.push_back(DisplayDevice(monitor, 5));
        }
        adapters.push_back(DisplayDevice(adapter, 3, JsonArray(monitors, 4)));
    }
    return JsonArray(adapters, 2);
}

// The active paths with their output technology and source name; a failed query is kept as a fault.
std::string Paths(Capture& capture) {
    UINT32 pathCount = 0;
    UINT32 modeCount = 0;
    LONG result = GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount);
    if (result != static_cast<LONG>(ERROR_SUCCESS)) {
        capture.faults.push_back({"GetDisplayConfigBufferSizes", {}, std::to_string(result)});
        return "[]";
    }
    std::vector<DisplayConfigPathInfo> paths(pathCount);
    std::vector<DisplayConfigModeInfo> modes(modeCount);
    result = QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths.data(), &modeCount, modes.data(),
                                nullptr);
    if (result != static_cast<LONG>(ERROR_SUCCESS)) {
        capture.faults.push_back({"QueryDisplayConfig", {}, std::to_string(result)});
        return "[]";
    }
    std::vector<std::string> described;
    for (UINT32 i = 0; i < pathCount && i < paths.size(); ++i) {
        DisplayConfigSourceDeviceName request{};
        request.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
        request.header.size = sizeof request;
        request.header.adapterId = paths[i].sourceInfo.adapterId;
        request.header.id = paths[i].sourceInfo.id;
        result = DisplayConfigGetDeviceInfo(&request.header);
        request.viewGdiDeviceName[std::size(request.viewGdiDeviceName) - 1] = 0;
        if (result != static_cast<LONG>(ERROR_SUCCESS)) {
            capture.faults.push_back(
                {"DisplayConfigGetDeviceInfo", {{"path", std::to_string(i)}}, std::to_string(result)});
        }
        described.push_back(
            JsonObject({{"outputTechnology", std::to_string(paths[i].targetInfo.outputTechnology)},
                        {"sourceName", JsonString(request.viewGdiDeviceName)},
                        {"adapterLuid", LuidJson(paths[i].sourceInfo.adapterId)},
                        {"sourceId", std::to_string(paths[i].sourceInfo.id)}},
                       3));
        if (request.viewGdiDeviceName[0] != 0) {
            capture.sources.push_back({request.viewGdiDeviceName, paths[i].sourceInfo});
        }
    }
    return JsonArray(described, 2);
}

// Whether the ACPI control device opens and what it answers the tool's own request.
std::string Acpi(Capture& capture) {
    uint32_t code = 0;
    const bool answered = QueryAcpiPanelCode(&code);
    const bool present = answered || g_hAcpiDevice != InvalidHandleValue();
    if (present && !answered) {
        capture.faults.push_back({"DeviceIoControl", {}, "0"});
    }
    std::array<uint8_t, 4> reply{};
    for (std::size_t b = 0; b < reply.size(); ++b) {
        reply[b] = static_cast<uint8_t>(code >> (8 * b));
    }
    return JsonObject(
        {{"present", JsonBool(present)},
         {"reply", answered ? JsonString(Utf8ToUtf16(platform::ToHex(reply.data(), reply.size()))) : "\"\""}},
        1);
}

// The display lists of every active path's source, by its name (paths that share a source once).
std::string Displays(const Capture& capture, const DisplayFunctions& functions) {
    std::vector<JsonMember> displays;
    for (std::size_t i = 0; i < capture.sources.size(); ++i) {
        const NamedSource& named = capture.sources[i];
        const auto earlier = capture.sources.begin() + static_cast<std::ptrdiff_t>(i);
        if (std::any_of(capture.sources.begin(), earlier,
                        [&](const NamedSource& other) { return other.name == named.name; })) {
            continue;
        }
        const DisplayProfiles display =
            ReadDisplayProfiles(functions, named.source.adapterId, named.source.id);
        displays.push_back(
            {Utf16ToUtf8(named.name), JsonObject({{"userScope", UserScopeJson(display)},
                                                  {"system", ScopeProfilesJson(display.system, 4)},
                                                  {"user", ScopeProfilesJson(display.user, 4)}},
                                                 3)});
    }
    return JsonObject(displays, 2);
}

// The installed profiles, the associations of every monitor of the machine, and, on a Windows that keeps
// them, the display lists.
std::string ColorSystem(const Capture& capture) {
    std::vector<std::u16string> installed;
    ListColorProfiles(nullptr, installed);
    std::vector<JsonMember> associations;
    DisplayDeviceW adapter;
    for (DWORD i = 0; NextDevice(nullptr, i, adapter); ++i) {
        DisplayDeviceW monitor;
        for (DWORD j = 0; NextDevice(adapter.DeviceName, j, monitor); ++j) {
            std::vector<std::u16string> profiles;
            if (ListColorProfiles(monitor.DeviceID, profiles) && !profiles.empty()) {
                associations.push_back({Utf16ToUtf8(monitor.DeviceID), JsonStringArray(profiles, 3)});
            }
        }
    }
    std::vector<JsonMember> members{{"installed", JsonStringArray(installed, 2)},
                                    {"associations", JsonObject(associations, 2)}};
    if (const DisplayFunctions functions = FindDisplayFunctions(); functions.Present()) {
        members.push_back({"displays", Displays(capture, functions)});
    }
    return JsonObject(members, 1);
}

std::string Faults(const Capture& capture) {
    std::vector<std::string> faults;
    for (const Fault& fault : capture.faults) {
        std::vector<JsonMember> members{{"call", JsonString(Utf8ToUtf16(fault.call))}};
        members.insert(members.end(), fault.match.begin(), fault.match.end());
        members.push_back({"result", fault.result});
        faults.push_back(JsonObject(members, 2));
    }
    return JsonArray(faults, 1);
}

} // namespace

std::string CaptureMachine(bool anonymous) {
    Capture capture;
    capture.anonymous = anonymous;
    std::vector<JsonMember> members{
        {"program", Program()},
        {"systemDirectory", SystemDirectory()},
        {"ansiCodePage", std::to_string(GetACP())},
        {"console", Console(capture)},
        {"registry", Registry()},
        {"wmi", Wmi(capture)},
        {"display", JsonObject({{"adapters", Adapters()}, {"paths", Paths(capture)}}, 1)},
        {"acpi", Acpi(capture)},
        {"colorSystem", ColorSystem(capture)},
    };
    members.push_back({"faults", Faults(capture)});
    return JsonObject(members) + "\n";
}
