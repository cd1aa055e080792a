// The simulated machine's display devices and display configuration, from the description's
// "display" key: the adapters with their monitors, and the active paths with their sources.
#include <cstring>

#include "platform/display.h"
#include "platform/sim/description.h"
#include "platform/sim/display_sources.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/text.h"

using namespace platform;

namespace {

constexpr UINT32 kModesPerPath = 2;
// Paths that the description gives no source carry adapter LUIDs from this value up, one per path.
constexpr DWORD kFirstAdapterLuid = 0x1000;
constexpr std::size_t kMaxLuidDigits = 16;
constexpr UINT32 kModeInfoTypeSource = 1;
constexpr UINT32 kModeInfoTypeTarget = 2;
constexpr UINT32 kPathActive = 1;

const sim::Json& DisplayEntry(const char* key) {
    static const sim::Json empty = sim::Json::array();
    const sim::Json& desc = sim::Description();
    if (!desc.contains("display") || !desc["display"].contains(key) || !desc["display"][key].is_array()) {
        return empty;
    }
    return desc["display"][key];
}

std::string Text(const sim::Json& record, const char* key) {
    return record.contains(key) && record[key].is_string() ? record[key].get<std::string>() : std::string();
}

template <std::size_t N> void CopyField(char16_t (&field)[N], const sim::Json& record, const char* key) {
    WCopy(field, N, platform::Utf8ToUtf16(Text(record, key)).c_str());
}

LONG Error(DWORD code) {
    return static_cast<LONG>(code);
}

// The error code of a fault of call that fits fields, or ERROR_SUCCESS.
LONG FaultOr(const char* call, const sim::Json& fields) {
    if (const sim::Json* fault = sim::FindFault(call, fields)) {
        return static_cast<LONG>(sim::FaultCode(*fault, ERROR_GEN_FAILURE));
    }
    return Error(ERROR_SUCCESS);
}

const sim::Json* MonitorsOf(const sim::Json& adapter) {
    return adapter.contains("monitors") && adapter["monitors"].is_array() ? &adapter["monitors"] : nullptr;
}

} // namespace

namespace sim {

bool ParseLuid(std::string_view text, Luid& luid) {
    if (text.size() < 3 || text.size() > 2 + kMaxLuidDigits || text.substr(0, 2) != "0x") {
        return false;
    }
    uint64_t value = 0;
    for (const char c : text.substr(2)) {
        const int digit = HexDigitValue(static_cast<unsigned char>(c));
        if (digit < 0) {
            return false;
        }
        value = (value << 4) | static_cast<uint64_t>(digit);
    }
    luid.LowPart = static_cast<DWORD>(value);
    luid.HighPart = static_cast<LONG>(static_cast<uint32_t>(value >> 32));
    return true;
}

PathSource SourceOfPath(const Json& paths, std::size_t index) {
    const Json& path = paths[index];
    PathSource source{{kFirstAdapterLuid + static_cast<DWORD>(index), 0}, static_cast<UINT32>(index)};
    if (path.contains("adapterLuid")) {
        ParseLuid(Text(path, "adapterLuid"), source.adapterId);
    }
    if (path.contains("sourceId") && path["sourceId"].is_number_unsigned()) {
        source.id = path["sourceId"].get<UINT32>();
    }
    return source;
}

bool SameSource(const PathSource& a, const PathSource& b) {
    return a.adapterId.LowPart == b.adapterId.LowPart && a.adapterId.HighPart == b.adapterId.HighPart &&
           a.id == b.id;
}

std::optional<std::size_t> PathWithSource(const Luid& adapterId, UINT32 id) {
    const Json& paths = DisplayEntry("paths");
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (SameSource(SourceOfPath(paths, i), {adapterId, id})) {
            return i;
        }
    }
    return std::nullopt;
}

std::u16string SourceNameOfPath(std::size_t index) {
    return Utf8ToUtf16(Text(DisplayEntry("paths")[index], "sourceName"));
}

std::optional<std::u16string> AdapterOfMonitor(std::u16string_view monitorDevice) {
    for (const Json& adapter : DisplayEntry("adapters")) {
        const Json* monitors = MonitorsOf(adapter);
        for (std::size_t j = 0; monitors != nullptr && j < monitors->size(); ++j) {
            if (EqualNoCase(Utf8ToUtf16(Text((*monitors)[j], "DeviceID")), monitorDevice)) {
                return Utf8ToUtf16(Text(adapter, "DeviceName"));
            }
        }
    }
    return std::nullopt;
}

} // namespace sim

namespace platform {

BOOL PLATFORM_API EnumDisplayDevicesW(const char16_t* device, DWORD deviceIndex,
                                      DisplayDeviceW* displayDevice, DWORD) {
    if (displayDevice == nullptr || displayDevice->cb < sizeof(DisplayDeviceW)) {
        return kFalse;
    }
    const sim::Json& adapters = DisplayEntry("adapters");
    const sim::Json* list = &adapters;
    if (device != nullptr) {
        list = nullptr;
        for (const sim::Json& adapter : adapters) {
            if (WEqualNoCase(platform::Utf8ToUtf16(Text(adapter, "DeviceName")).c_str(), device)) {
                list = MonitorsOf(adapter);
                break;
            }
        }
    }
    if (list == nullptr || deviceIndex >= list->size()) {
        return kFalse;
    }
    const sim::Json& record = (*list)[deviceIndex];
    const DWORD cb = displayDevice->cb;
    *displayDevice = DisplayDeviceW{};
    displayDevice->cb = cb;
    CopyField(displayDevice->DeviceName, record, "DeviceName");
    CopyField(displayDevice->DeviceString, record, "DeviceString");
    CopyField(displayDevice->DeviceID, record, "DeviceID");
    CopyField(displayDevice->DeviceKey, record, "DeviceKey");
    displayDevice->StateFlags = record.contains("StateFlags") && record["StateFlags"].is_number()
                                    ? record["StateFlags"].get<DWORD>()
                                    : 0;
    return kTrue;
}

LONG GetDisplayConfigBufferSizes(UINT32 flags, UINT32* numPathArrayElements,
                                 UINT32* numModeInfoArrayElements) {
    if (flags != QDC_ONLY_ACTIVE_PATHS || numPathArrayElements == nullptr ||
        numModeInfoArrayElements == nullptr) {
        return Error(ERROR_INVALID_PARAMETER);
    }
    if (const LONG fault = FaultOr("GetDisplayConfigBufferSizes", sim::Json::object()); fault != 0) {
        return fault;
    }
    const auto paths = static_cast<UINT32>(DisplayEntry("paths").size());
    *numPathArrayElements = paths;
    *numModeInfoArrayElements = paths * kModesPerPath;
    return Error(ERROR_SUCCESS);
}

LONG QueryDisplayConfig(UINT32 flags, UINT32* numPathArrayElements, DisplayConfigPathInfo* pathArray,
                        UINT32* numModeInfoArrayElements, DisplayConfigModeInfo* modeInfoArray,
                        UINT32* currentTopologyId) {
    if (flags != QDC_ONLY_ACTIVE_PATHS || currentTopologyId != nullptr || numPathArrayElements == nullptr ||
        numModeInfoArrayElements == nullptr || pathArray == nullptr || modeInfoArray == nullptr) {
        return Error(ERROR_INVALID_PARAMETER);
    }
    if (const LONG fault = FaultOr("QueryDisplayConfig", sim::Json::object()); fault != 0) {
        return fault;
    }
    const sim::Json& paths = DisplayEntry("paths");
    const auto count = static_cast<UINT32>(paths.size());
    if (*numPathArrayElements < count || *numModeInfoArrayElements < count * kModesPerPath) {
        return Error(ERROR_INSUFFICIENT_BUFFER);
    }
    for (UINT32 i = 0; i < count; ++i) {
        const sim::Json& path = paths[i];
        const sim::PathSource source = sim::SourceOfPath(paths, i);
        const Luid adapter = source.adapterId;
        DisplayConfigPathInfo& info = pathArray[i];
        info = DisplayConfigPathInfo{};
        info.sourceInfo.adapterId = adapter;
        info.sourceInfo.id = source.id;
        info.sourceInfo.modeInfoIdx = i * kModesPerPath;
        info.targetInfo.adapterId = adapter;
        info.targetInfo.id = i;
        info.targetInfo.modeInfoIdx = i * kModesPerPath + 1;
        info.targetInfo.outputTechnology =
            path.contains("outputTechnology") && path["outputTechnology"].is_number()
                ? path["outputTechnology"].get<UINT32>()
                : 0;
        info.targetInfo.targetAvailable = kTrue;
        info.flags = kPathActive;
        modeInfoArray[i * kModesPerPath] = DisplayConfigModeInfo{kModeInfoTypeSource, i, adapter, {}};
        modeInfoArray[i * kModesPerPath + 1] = DisplayConfigModeInfo{kModeInfoTypeTarget, i, adapter, {}};
    }
    *numPathArrayElements = count;
    *numModeInfoArrayElements = count * kModesPerPath;
    return Error(ERROR_SUCCESS);
}

LONG DisplayConfigGetDeviceInfo(DisplayConfigDeviceInfoHeader* requestPacket) {
    if (requestPacket == nullptr || requestPacket->type != DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME ||
        requestPacket->size != sizeof(DisplayConfigSourceDeviceName)) {
        return Error(ERROR_INVALID_PARAMETER);
    }
    const std::optional<std::size_t> index = sim::PathWithSource(requestPacket->adapterId, requestPacket->id);
    if (!index) {
        return Error(ERROR_INVALID_PARAMETER);
    }
    if (const LONG fault = FaultOr("DisplayConfigGetDeviceInfo", sim::Json{{"path", *index}}); fault != 0) {
        return fault;
    }
    // The request is the header of a source name request, as its size says.
    auto* request = reinterpret_cast<DisplayConfigSourceDeviceName*>(requestPacket);
    CopyField(request->viewGdiDeviceName, DisplayEntry("paths")[*index], "sourceName");
    return Error(ERROR_SUCCESS);
}

} // namespace platform
