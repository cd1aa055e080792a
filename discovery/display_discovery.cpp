#include "discovery/display_discovery.h"

#include <cstring>
#include <vector>

#include "app/diagnostics.h"
#include "app/run_context.h"
#include "app/run_report.h"
#include "platform/display.h"
#include "platform/text.h"

using namespace platform;

namespace {

// Capacity of the run context's monitor strings as this routine fills them.
constexpr std::size_t kMonitorText = 260;

bool IsInternalTechnology(UINT32 technology) {
    return technology == DISPLAYCONFIG_OUTPUT_TECHNOLOGY_INTERNAL ||
           technology == DISPLAYCONFIG_OUTPUT_TECHNOLOGY_DISPLAYPORT_EMBEDDED ||
           technology == DISPLAYCONFIG_OUTPUT_TECHNOLOGY_UDI_EMBEDDED;
}

// Sets cb and zero-fills the rest of the record before an enumeration call.
void ClearRecord(DisplayDeviceW& record) {
    std::memset(&record, 0, sizeof record);
    record.cb = sizeof record;
}

// The record's strings end inside their fields, however the system filled them.
template <std::size_t N> void Terminate(char16_t (&field)[N]) {
    field[N - 1] = 0;
}

void TerminateRecord(DisplayDeviceW& record) {
    Terminate(record.DeviceName);
    Terminate(record.DeviceString);
    Terminate(record.DeviceID);
    Terminate(record.DeviceKey);
}

BOOL Enumerate(const char16_t* device, DWORD index, DisplayDeviceW& record) {
    ClearRecord(record);
    if (EnumDisplayDevicesFunc == nullptr || EnumDisplayDevicesFunc(device, index, &record, 0) == kFalse) {
        return kFalse;
    }
    TerminateRecord(record);
    return kTrue;
}

// The first path of an internal or embedded panel decides: its source's GDI name, or nothing when the
// source name request fails.
int NameOfFirstInternalPath(const DisplayConfigPathInfo* paths, UINT32 pathCount, char16_t* name) {
    for (UINT32 i = 0; i < pathCount; ++i) {
        if (!IsInternalTechnology(paths[i].targetInfo.outputTechnology)) {
            continue;
        }
        DisplayConfigSourceDeviceName request{};
        request.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
        request.header.size = sizeof request;
        request.header.adapterId = paths[i].sourceInfo.adapterId;
        request.header.id = paths[i].sourceInfo.id;
        if (DisplayConfigGetDeviceInfo(&request.header) != static_cast<LONG>(ERROR_SUCCESS)) {
            return 0;
        }
        Terminate(request.viewGdiDeviceName);
        WCopy(name, kInternalDisplayText, request.viewGdiDeviceName);
        ReportInternalPath(static_cast<int>(i));
        return 1;
    }
    return 0;
}

// Copies the (at most four) units after the first "_" of the adapter's DeviceID into vendorId.
void TakeVendorId(const DisplayDeviceW& adapter, char16_t* vendorId) {
    const char16_t* underscore = WFind(adapter.DeviceID, u'_');
    if (underscore == nullptr) {
        return;
    }
    const std::size_t start = static_cast<std::size_t>(underscore - adapter.DeviceID) + 1;
    const std::size_t available = std::size(adapter.DeviceID) - start;
    for (std::size_t k = 0; k < kVendorIdUnits && k < available; ++k) {
        vendorId[k] = adapter.DeviceID[start + k];
    }
    TraceW(u"my_Get_VGA_VID2 - pwc:%s, p_vgaVID:%s", underscore, vendorId);
}

void ReportChosenAdapter(const char16_t* rule, const DisplayDeviceW& adapter) {
    ReportAdapter(rule, adapter.DeviceName, adapter.DeviceString, adapter.DeviceID, adapter.StateFlags);
}

} // namespace

int GetInternalDisplayName(char16_t* name) {
    UINT32 pathCount = 0;
    UINT32 modeCount = 0;
    if (GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount) !=
            static_cast<LONG>(ERROR_SUCCESS) ||
        pathCount == 0 || modeCount == 0) {
        return 0;
    }
    std::vector<DisplayConfigPathInfo> paths(pathCount);
    std::vector<DisplayConfigModeInfo> modes(modeCount);
    if (QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths.data(), &modeCount, modes.data(),
                           nullptr) != static_cast<LONG>(ERROR_SUCCESS)) {
        return 0;
    }
    // The count that comes back never exceeds the array; it is bounded here all the same.
    const UINT32 filled = pathCount < paths.size() ? pathCount : static_cast<UINT32>(paths.size());
    for (UINT32 i = 0; i < filled; ++i) {
        const UINT32 technology = paths[i].targetInfo.outputTechnology;
        ReportPath(technology, IsInternalTechnology(technology), paths[i].sourceInfo.adapterId,
                   paths[i].sourceInfo.id);
    }
    return NameOfFirstInternalPath(paths.data(), filled, name);
}

int my_Get_VGA_VID2(char16_t* vendorId) {
    char16_t internal[kInternalDisplayText] = {};
    GetInternalDisplayName(internal);
    TraceW(u"my_Get_VGA_VID2, tszInternal is [%s]", internal);
    ReportInternalSource(internal);

    DisplayDeviceW adapter;
    for (DWORD i = 0;; ++i) {
        if (Enumerate(nullptr, i, adapter) == kFalse) {
            return 0;
        }
        TraceW(u"my_Get_VGA_VID2 - i:%d, DeviceID:%s, StateFlags:%d, DeviceName:%s, DeviceKey:%s, "
               u"DeviceString:%s",
               static_cast<int32_t>(i), adapter.DeviceID, static_cast<int32_t>(adapter.StateFlags),
               adapter.DeviceName, adapter.DeviceKey, adapter.DeviceString);
        // With an internal display name only the name decides; without one, only the primary flag.
        if (internal[0] != 0) {
            if (WEqualNoCase(adapter.DeviceName, internal)) {
                TraceA("my_Get_VGA_VID2 - same as internal");
                ReportChosenAdapter(u"internal", adapter);
                break;
            }
        } else if ((adapter.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0) {
            TraceA("my_Get_VGA_VID2 - get primary");
            ReportChosenAdapter(u"primary", adapter);
            break;
        }
    }
    TraceW(u"my_Get_VGA_VID2 - bFind VGA:[%s]", adapter.DeviceName);
    TakeVendorId(adapter, vendorId);

    DisplayDeviceW monitor;
    for (DWORD j = 0; Enumerate(adapter.DeviceName, j, monitor) != kFalse; ++j) {
        TraceW(u"my_Get_VGA_VID2 - dMonitorIndex:%d, ddMon.StateFlags:0x%X, ddMon.DeviceID:%s, "
               u"ddMon.DeviceName:%s",
               static_cast<int32_t>(j), monitor.StateFlags, monitor.DeviceID, monitor.DeviceName);
        if ((monitor.StateFlags & DISPLAY_DEVICE_ACTIVE) != 0 &&
            (monitor.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER) == 0) {
            TraceW(u"my_Get_VGA_VID2 - bFind Monitor:[%s]", monitor.DeviceName);
            WCopy(g_szMonitorName, kMonitorText, monitor.DeviceName);
            WCopy(g_szMonitorDevice, kMonitorText, monitor.DeviceID);
            return 1;
        }
    }
    return 1;
}
