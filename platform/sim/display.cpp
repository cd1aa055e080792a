// The simulated machine's display devices and display configuration, from the description's
// "display" key: the adapters with their monitors, and the active paths.
#include <cstring>

#include "platform/display.h"
#include "platform/sim/description.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/text.h"

using namespace platform;

namespace {

constexpr UINT32 kModesPerPath = 2;
// Paths carry adapter LUIDs from this value up, one per path, so that a source name request can be
// traced back to its path.
constexpr DWORD kFirstAdapterLuid = 0x1000;
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

} // namespace

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
                list = adapter.contains("monitors") && adapter["monitors"].is_array() ? &adapter["monitors"]
                                                                                      : nullptr;
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
        const Luid adapter{kFirstAdapterLuid + i, 0};
        DisplayConfigPathInfo& info = pathArray[i];
        info = DisplayConfigPathInfo{};
        info.sourceInfo.adapterId = adapter;
        info.sourceInfo.id = i;
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
    const sim::Json& paths = DisplayEntry("paths");
    const DWORD index = requestPacket->adapterId.LowPart - kFirstAdapterLuid;
    if (requestPacket->adapterId.LowPart < kFirstAdapterLuid || requestPacket->adapterId.HighPart != 0 ||
        index >= paths.size() || requestPacket->id != index) {
        return Error(ERROR_INVALID_PARAMETER);
    }
    if (const LONG fault = FaultOr("DisplayConfigGetDeviceInfo", sim::Json{{"path", index}}); fault != 0) {
        return fault;
    }
    // The request is the header of a source name request, as its size says.
    auto* request = reinterpret_cast<DisplayConfigSourceDeviceName*>(requestPacket);
    CopyField(request->viewGdiDeviceName, paths[index], "sourceName");
    return Error(ERROR_SUCCESS);
}

} // namespace platform
