// The simulated machine's devices: the maker's ACPI control device "\\.\QRXACPI", present or not as
// the description's "acpi" key says, answering every control request with its reply bytes.
#include <cstring>
#include <memory>
#include <vector>

#include "platform/device_io.h"
#include "platform/sim/machine.h"
#include "platform/sim/open_files.h"
#include "platform/text.h"

using namespace platform;

namespace {

constexpr char16_t kDevicePrefix[] = u"\\\\.\\";
constexpr char16_t kAcpiDevice[] = u"\\\\.\\QRXACPI";

// An open device; its address is the handle.
struct Device {
    std::u16string path;
};

std::vector<std::unique_ptr<Device>>& OpenDevices() {
    static std::vector<std::unique_ptr<Device>> devices;
    return devices;
}

const bool kRegistered = [] {
    sim::RegisterModule({[] { OpenDevices().clear(); }, nullptr});
    return true;
}();

Device* FindDevice(Handle handle) {
    for (const auto& device : OpenDevices()) {
        if (device.get() == handle) {
            return device.get();
        }
    }
    return nullptr;
}

const sim::Json* AcpiEntry(const char* key) {
    const sim::Json& desc = sim::Current().desc;
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
    return sim::FromHex(reply->get<std::string>());
}

} // namespace

namespace platform {

Handle CreateFileW(const char16_t* fileName, DWORD desiredAccess, DWORD, void*, DWORD creationDisposition,
                   DWORD, Handle) {
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return InvalidHandleValue();
    }
    const std::u16string path(fileName);
    const bool isDevice = path.rfind(kDevicePrefix, 0) == 0;
    const sim::Json* present = AcpiEntry("present");
    const bool opens = isDevice && WEqualNoCase(fileName, kAcpiDevice) &&
                       creationDisposition == OPEN_EXISTING && present != nullptr && present->is_boolean() &&
                       present->get<bool>();
    if (!isDevice) {
        Handle file = sim::OpenFileForReading(fileName, desiredAccess, creationDisposition);
        sim::Journal("CreateFileW", sim::Json{{"result", file != nullptr ? 1 : 0}});
        return file != nullptr ? file : InvalidHandleValue();
    }
    sim::Journal("CreateFileW", sim::Json{{"path", sim::ToUtf8(path)}, {"result", opens ? 1 : 0}});
    if (!opens) {
        // The machine has no other device.
        SetLastError(ERROR_FILE_NOT_FOUND);
        return InvalidHandleValue();
    }
    OpenDevices().push_back(std::make_unique<Device>(Device{path}));
    SetLastError(ERROR_SUCCESS);
    return OpenDevices().back().get();
}

BOOL DeviceIoControl(Handle device, DWORD ioControlCode, void* inBuffer, DWORD inBufferSize, void* outBuffer,
                     DWORD outBufferSize, DWORD* bytesReturned, void* overlapped) {
    const std::string input = inBuffer == nullptr ? std::string() : sim::ToHex(inBuffer, inBufferSize);
    BOOL result = kFalse;
    DWORD returned = 0;
    if (FindDevice(device) == nullptr) {
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
    sim::Journal("DeviceIoControl", sim::Json{{"code", sim::Hex32(ioControlCode)},
                                              {"input", input},
                                              {"result", result},
                                              {"returned", returned}});
    return result;
}

BOOL CloseHandle(Handle object) {
    auto& devices = OpenDevices();
    for (auto it = devices.begin(); it != devices.end(); ++it) {
        if (it->get() == object) {
            sim::Journal("CloseHandle", sim::Json{{"path", sim::ToUtf8((*it)->path)}});
            devices.erase(it);
            return kTrue;
        }
    }
    if (sim::CloseOpenFile(object)) {
        return kTrue;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return kFalse;
}

} // namespace platform
