// The simulated machine's devices (files opened by CreateFileW are file_handles.cpp's): the maker's ACPI
// control device "\\.\QRXACPI", present or not as the description's "acpi" key says, answering every control
// request with its reply bytes.
#include <cstring>
#include <memory>
#include <vector>

#include "platform/device_io.h"
#include "platform/sim/description.h"
#include "platform/sim/faults.h"
#include "platform/sim/file_handles.h"
#include "platform/sim/handle_table.h"
#include "platform/sim/machine.h"
#include "platform/sim/records.h"
#include "platform/text.h"

using namespace platform;

namespace {

constexpr char16_t kDevicePrefix[] = u"\\\\.\\";
constexpr char16_t kAcpiDevice[] = u"\\\\.\\QRXACPI";

// An open device; its address is the handle.
struct Device {
    std::u16string path;
};

sim::HandleTable<Device>& OpenDevices() {
    static sim::HandleTable<Device> devices;
    return devices;
}

const sim::ModuleRegistration kModule{{[] { OpenDevices().Clear(); }, nullptr}};

const sim::Json* AcpiEntry(const char* key) {
    const sim::Json& desc = sim::Description();
    if (!desc.contains("acpi") || !desc["acpi"].contains(key)) {
        return nullptr;
    }
    return &desc["acpi"][key];
}

// The reply bytes of the description.
std::vector<uint8_t> ReplyBytes() {
    const sim::Json* reply = AcpiEntry("reply");
    if (reply == nullptr || !reply->is_string()) {
        return {};
    }
    return platform::FromHex(reply->get<std::string>());
}

} // namespace

namespace platform {

Handle CreateFileW(const char16_t* fileName, DWORD desiredAccess, DWORD shareMode, void* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, Handle) {
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return InvalidHandleValue();
    }
    const std::u16string path(fileName);
    const bool isDevice = path.rfind(kDevicePrefix, 0) == 0;
    if (!isDevice) {
        return sim::OpenFileHandle(path, desiredAccess, shareMode, securityAttributes, creationDisposition,
                                   flagsAndAttributes);
    }
    const sim::Json* present = AcpiEntry("present");
    const bool opens = WEqualNoCase(fileName, kAcpiDevice) && creationDisposition == OPEN_EXISTING &&
                       present != nullptr && present->is_boolean() && present->get<bool>();
    sim::Journal("CreateFileW", sim::Json{{"path", platform::Utf16ToUtf8(path)}, {"result", opens ? 1 : 0}});
    if (!opens) {
        // The machine has no other device.
        SetLastError(ERROR_FILE_NOT_FOUND);
        return InvalidHandleValue();
    }
    SetLastError(ERROR_SUCCESS);
    return OpenDevices().Add(std::make_unique<Device>(Device{path}));
}

BOOL DeviceIoControl(Handle device, DWORD ioControlCode, void* inBuffer, DWORD inBufferSize, void* outBuffer,
                     DWORD outBufferSize, DWORD* bytesReturned, void* overlapped) {
    const std::string input = inBuffer == nullptr ? std::string() : platform::ToHex(inBuffer, inBufferSize);
    BOOL result = kFalse;
    DWORD returned = 0;
    if (OpenDevices().Find(device) == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
    } else if (bytesReturned == nullptr && overlapped == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (sim::FindFault("DeviceIoControl") != nullptr) {
        SetLastError(ERROR_GEN_FAILURE);
    } else {
        const std::vector<uint8_t> reply = ReplyBytes();
        returned =
            outBuffer == nullptr ? 0 : static_cast<DWORD>(std::min<std::size_t>(reply.size(), outBufferSize));
        if (returned > 0) {
            std::memcpy(outBuffer, reply.data(), returned);
        }
        result = kTrue;
    }
    if (bytesReturned != nullptr) {
        *bytesReturned = returned;
    }
    sim::Journal("DeviceIoControl", sim::Json{{"code", platform::Hex32(ioControlCode)},
                                              {"input", input},
                                              {"result", result},
                                              {"returned", returned}});
    return result;
}

BOOL CloseHandle(Handle object) {
    if (sim::CloseFileHandle(object)) {
        return kTrue;
    }
    const Device* device = OpenDevices().Find(object);
    if (device == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return kFalse;
    }
    sim::Journal("CloseHandle", sim::Json{{"path", platform::Utf16ToUtf8(device->path)}});
    OpenDevices().Close(object);
    return kTrue;
}

} // namespace platform
