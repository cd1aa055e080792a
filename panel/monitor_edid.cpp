#include "panel/monitor_edid.h"

#include <string>
#include <unordered_map>

#include "app/diagnostics.h"
#include "discovery/wmi_access.h"
#include "platform/text.h"

using namespace platform;

namespace {

constexpr char16_t kConnectionClass[] = u"WmiMonitorConnectionParams";
constexpr char16_t kDescriptorClass[] = u"WmiMonitorDescriptorMethods";
constexpr char16_t kEdidMethod[] = u"WmiGetMonitorRawEEdidV1Block";

bool IsString(const Variant& value) {
    return value.vt == VT_BSTR && value.bstrVal != nullptr;
}

// The class object and the instance enumeration of one class. Prints the failure and returns false
// when either cannot be had; a call that succeeds without an enumerator leaves it null.
bool OpenClass(WbemServices* services, const char16_t* className, Released<WbemClassObject>& classObject,
               Released<EnumWbemClassObject>& instances) {
    const OwnedBstr name(className);
    HRESULT hr = name.get() == nullptr
                     ? E_OUTOFMEMORY
                     : services->GetObject(name.get(), 0, nullptr, &classObject.object, nullptr);
    if (classObject.object == nullptr) {
        PrintConsoleW(u"Could not get class %s. Error code = 0x%x\n", className, static_cast<uint32_t>(hr));
        return false;
    }
    hr = services->CreateInstanceEnum(name.get(), 0, nullptr, &instances.object);
    if (Failed(hr)) {
        instances.object = nullptr;
        PrintConsoleW(u"Could not get class instance %s. Error code = 0x%x\n", className,
                      static_cast<uint32_t>(hr));
        return false;
    }
    return true;
}

// The next object of the enumeration, or null when it has none (or the call fails).
WbemClassObject* NextObject(EnumWbemClassObject* instances) {
    WbemClassObject* object = nullptr;
    ULONG returned = 0;
    const HRESULT hr = instances->Next(WBEM_INFINITE, 1, &object, &returned);
    if (Failed(hr) || returned == 0 || object == nullptr) {
        if (object != nullptr) {
            object->Release();
        }
        return nullptr;
    }
    return object;
}

// Reads a property with its CIM type; prints the failure line naming it.
bool ReadProperty(WbemClassObject& object, const char16_t* property, ScopedVariant& value, CIMTYPE& type) {
    const HRESULT hr = object.Get(property, 0, &value.value, &type, nullptr);
    if (Failed(hr)) {
        PrintConsoleW(u"Could not get property %s. Error code = 0x%x\n", property, static_cast<uint32_t>(hr));
        return false;
    }
    return true;
}

struct MonitorArrays {
    int32_t* activeFlags;
    char16_t** instanceNames;
    int32_t nameCapacity;
    uint32_t* videoOutputTechnologies;
    const uint8_t* blockIds;
    uint8_t* blockTypes;
    uint8_t** edidBlocks;
    int32_t edidCapacity;
};

// Reads one connection-parameters instance into position i (store false: read without storing).
// False when a property cannot be read.
bool ReadConnectionParams(WbemClassObject& instance, std::size_t i, bool store, const MonitorArrays& out) {
    ScopedVariant active;
    ScopedVariant name;
    ScopedVariant technology;
    CIMTYPE type = 0;
    if (!ReadProperty(instance, u"Active", active, type)) {
        return false;
    }
    if (store && type == CIM_BOOLEAN && out.activeFlags != nullptr) {
        out.activeFlags[i] = active.value.vt == VT_BOOL && active.value.boolVal == VARIANT_TRUE ? 1 : 0;
    }
    if (!ReadProperty(instance, u"InstanceName", name, type)) {
        return false;
    }
    if (store && type == CIM_STRING && out.instanceNames != nullptr && out.nameCapacity > 0 &&
        IsString(name.value)) {
        WCopy(out.instanceNames[i], static_cast<std::size_t>(out.nameCapacity), name.value.bstrVal);
    }
    if (!ReadProperty(instance, u"VideoOutputTechnology", technology, type)) {
        return false;
    }
    if (store && type == CIM_UINT32 && out.videoOutputTechnologies != nullptr &&
        (technology.value.vt == VT_I4 || technology.value.vt == VT_UI4)) {
        out.videoOutputTechnologies[i] = technology.value.ulVal;
    }
    return true;
}

// Stage 1: counts (and, given room, stores) the monitors' connection parameters. False when the
// class or its instances cannot be had, which ends the routine; a call that gives no enumerator leaves
// the count as it came in.
bool ReadMonitors(WbemServices* services, int32_t* count, const MonitorArrays& out) {
    Released<WbemClassObject> classObject;
    Released<EnumWbemClassObject> instances;
    if (!OpenClass(services, kConnectionClass, classObject, instances)) {
        return false;
    }
    if (instances.object == nullptr) {
        return true;
    }
    // The entry count is the room in each array; with no room nothing is stored, only counted.
    const int32_t capacity = *count;
    int32_t stored = 0;
    while (capacity <= 0 || stored < capacity) {
        Released<WbemClassObject> instance{NextObject(instances.object)};
        if (instance.object == nullptr ||
            !ReadConnectionParams(*instance.object, static_cast<std::size_t>(stored), capacity > 0, out)) {
            break;
        }
        ++stored;
    }
    *count = stored;
    return true;
}

// The position of the first stored monitor of each instance name (ignoring case), so that pairing every
// descriptor with its monitor stays linear in the number of monitors.
using MonitorIndex = std::unordered_map<std::u16string, int32_t>;

MonitorIndex IndexMonitors(int32_t count, char16_t* const* instanceNames) {
    MonitorIndex index;
    for (int32_t j = 0; instanceNames != nullptr && j < count; ++j) {
        index.try_emplace(WFoldNoCase(instanceNames[j]), j);
    }
    return index;
}

// The position of the stored monitor with this instance name (ignoring case), or -1.
int32_t FindMonitor(const MonitorIndex& index, const char16_t* name) {
    const auto found = index.find(WFoldNoCase(name));
    return found == index.end() ? -1 : found->second;
}

uint8_t LowByte(const Variant& value) {
    switch (value.vt) {
    case VT_UI1:
        return value.bVal;
    case VT_I2:
    case VT_UI2:
        return static_cast<uint8_t>(value.uiVal & 0xFF);
    case VT_I4:
    case VT_UI4:
        return static_cast<uint8_t>(value.ulVal & 0xFF);
    default:
        return 0;
    }
}

// Calls the EDID method for the monitor at pos on the descriptor instance at path. False when the
// routine is to end.
bool FetchBlock(WbemServices* services, WbemClassObject& descriptorClass, const Variant& path,
                std::size_t pos, const MonitorArrays& out) {
    Released<WbemClassObject> inSignature;
    HRESULT hr = descriptorClass.GetMethod(kEdidMethod, 0, &inSignature.object, nullptr);
    if (Failed(hr)) {
        PrintConsoleW(u"Could not get method WmiGetMonitorRawEEdidV1Block. Error code = 0x%x\n",
                      static_cast<uint32_t>(hr));
        return false;
    }
    Released<WbemClassObject> inParams;
    if (inSignature.object == nullptr || Failed(inSignature.object->SpawnInstance(0, &inParams.object)) ||
        inParams.object == nullptr) {
        return false;
    }
    ScopedVariant blockId;
    blockId.value.vt = VT_UI1;
    blockId.value.bVal = out.blockIds[pos];
    hr = inParams.object->Put(u"BlockId", 0, &blockId.value, 0);
    if (Failed(hr)) {
        PrintConsoleW(u"Could not put Command. Error code = 0x%x\n", static_cast<uint32_t>(hr));
        return false;
    }
    const OwnedBstr method(kEdidMethod);
    Released<WbemClassObject> outParams;
    hr = method.get() == nullptr ? E_OUTOFMEMORY
                                 : services->ExecMethod(path.bstrVal, method.get(), 0, nullptr,
                                                        inParams.object, &outParams.object, nullptr);
    if (Failed(hr)) {
        PrintConsoleW(u"Could not execute method. Error code = 0x%x\n", static_cast<uint32_t>(hr));
        return false;
    }
    if (outParams.object == nullptr) {
        return true;
    }
    ScopedVariant blockType;
    hr = outParams.object->Get(u"BlockType", 0, &blockType.value, nullptr, nullptr);
    if (Failed(hr)) {
        PrintConsoleW(u"Could not get BlockType. Error code = 0x%x\n", static_cast<uint32_t>(hr));
        return false;
    }
    out.blockTypes[pos] = LowByte(blockType.value);
    ScopedVariant content;
    hr = outParams.object->Get(u"BlockContent", 0, &content.value, nullptr, nullptr);
    if (Failed(hr)) {
        PrintConsoleW(u"Could not get BlockContent. Error code = 0x%x\n", static_cast<uint32_t>(hr));
        return false;
    }
    if ((content.value.vt & VT_ARRAY) == 0 || content.value.parray == nullptr) {
        PrintConsoleW(u"BlockContent is not an array.\n");
        return false;
    }
    CopyBlockContent(content.value.parray, out.edidBlocks[pos], out.edidCapacity);
    return true;
}

// Stage 2: fetches the EDID block of every stored monitor that a descriptor instance names.
void ReadBlocks(WbemServices* services, int32_t count, const MonitorArrays& out) {
    Released<WbemClassObject> classObject;
    Released<EnumWbemClassObject> instances;
    if (!OpenClass(services, kDescriptorClass, classObject, instances) || instances.object == nullptr) {
        return;
    }
    const MonitorIndex index = IndexMonitors(count, out.instanceNames);
    for (;;) {
        Released<WbemClassObject> instance{NextObject(instances.object)};
        if (instance.object == nullptr) {
            return;
        }
        ScopedVariant path;
        HRESULT hr = instance.object->Get(u"__Path", 0, &path.value, nullptr, nullptr);
        if (!IsString(path.value)) {
            PrintConsoleW(u"Could not get class instance path. Error code = 0x%x\n",
                          static_cast<uint32_t>(hr));
            return;
        }
        ScopedVariant name;
        CIMTYPE type = 0;
        if (!ReadProperty(*instance.object, u"InstanceName", name, type)) {
            return;
        }
        const int32_t pos = type == CIM_STRING && IsString(name.value) && out.instanceNames != nullptr
                                ? FindMonitor(index, name.value.bstrVal)
                                : -1;
        if (pos < 0) {
            continue;
        }
        if (!FetchBlock(services, *classObject.object, path.value, static_cast<std::size_t>(pos), out)) {
            return;
        }
    }
}

} // namespace

void CopyBlockContent(SafeArray* content, uint8_t* block, int32_t capacity) {
    LONG lower = 0;
    LONG upper = 0;
    if (SafeArrayGetDim(content) != 1 || SafeArrayGetElemsize(content) != 1 ||
        Failed(SafeArrayGetLBound(content, 1, &lower)) || Failed(SafeArrayGetUBound(content, 1, &upper))) {
        return;
    }
    for (int64_t k = lower; k <= upper; ++k) {
        LONG index = static_cast<LONG>(k);
        uint8_t byte = 0;
        const HRESULT hr = SafeArrayGetElement(content, &index, &byte);
        if (Failed(hr)) {
            PrintConsoleW(u"Could not get element. Error code =0x%x\n", static_cast<uint32_t>(hr));
            return;
        }
        if (k >= 0 && k < capacity) {
            block[k] = byte;
        }
    }
}

void GetMonitorEdid(int32_t* count, int32_t* activeFlags, char16_t** instanceNames, int32_t nameCapacity,
                    uint32_t* videoOutputTechnologies, const uint8_t* blockIds, uint8_t* blockTypes,
                    uint8_t** edidBlocks, int32_t edidCapacity) {
    WmiConnection wmi;
    if (!ConnectWmi(u"ROOT\\WMI", wmi)) {
        const uint32_t hr = static_cast<uint32_t>(wmi.result);
        switch (wmi.failedStep) {
        case WmiStep::Locator:
            PrintConsoleW(u"Failed to create IWbemLocator object. Err code = 0x%x\n", hr);
            break;
        case WmiStep::Connect:
            PrintConsoleW(u"Could not connect. Error code = 0x%x\n", hr);
            break;
        default:
            PrintConsoleW(u"Could not set proxy blanket. Error code = 0x%x\n", hr);
            break;
        }
        return;
    }
    const MonitorArrays out{activeFlags, instanceNames, nameCapacity, videoOutputTechnologies,
                            blockIds,    blockTypes,    edidBlocks,   edidCapacity};
    // The blocks are fetched only in the filling pass, when every array they go into is present; a
    // call without room stores no names, so nothing can pair with them.
    const int32_t capacity = *count;
    if (ReadMonitors(wmi.services, count, out) && blockIds != nullptr && blockTypes != nullptr &&
        edidBlocks != nullptr) {
        ReadBlocks(wmi.services, capacity > 0 ? *count : 0, out);
    }
    ReleaseWmi(wmi);
}
