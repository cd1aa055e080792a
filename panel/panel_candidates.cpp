#include "panel/panel_candidates.h"

#include <algorithm>
#include <array>

#include "app/diagnostics.h"
#include "app/run_context.h"
#include "app/run_report.h"
#include "panel/chassis_type.h"
#include "panel/monitor_edid.h"
#include "platform/device_io.h"
#include "platform/format.h"
#include "platform/text.h"

using namespace platform;

namespace {

constexpr char16_t kAcpiDevicePath[] = u"\\\\.\\QRXACPI";
constexpr DWORD kIoctlAcpiMethod = 0x0022240C;
// The firmware method's identifier: its bytes in buffer order are "GLCD".
constexpr uint32_t kMethodGlcd = 0x44434C47;
constexpr std::size_t kReplyBytes = 1024;
constexpr int32_t kNameCapacity = 512;

void PutLittleEndian32(uint8_t* out, uint32_t value) {
    for (int b = 0; b < 4; ++b) {
        out[b] = static_cast<uint8_t>(value >> (8 * b));
    }
}

// One candidate per monitor, from its base EDID block.
std::vector<std::u16string> EdidCandidates() {
    std::vector<std::u16string> candidates;
    for (const MonitorEdidEntry& monitor : ReadMonitorEdids()) {
        char16_t candidate[kCandidateText] = {};
        EdidCandidate(monitor.block.data(), candidate);
        candidates.emplace_back(candidate);
        ReportCandidate(candidate, monitor.instance.c_str());
    }
    return candidates;
}

} // namespace

void EdidCandidate(const uint8_t* block, char16_t* candidate) {
    FormatW(candidate, kCandidateText, u"%02X%02X%02X%02X", block[9], block[8], block[11], block[10]);
}

void* InitializeQRXACPIDevice() {
    g_hAcpiDevice = CreateFileW(kAcpiDevicePath, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    return g_hAcpiDevice;
}

bool QueryAcpiPanelCode(uint32_t* code) {
    if (InitializeQRXACPIDevice() == InvalidHandleValue()) {
        TraceA("InitializeQRXACPIDevice Fail !");
        return false;
    }
    std::array<uint8_t, 12> request{};
    PutLittleEndian32(&request[0], kMethodGlcd);
    PutLittleEndian32(&request[4], 4);
    PutLittleEndian32(&request[8], 0);
    std::array<uint8_t, kReplyBytes> reply{};
    DWORD returned = 0;
    if (g_hAcpiDevice == nullptr ||
        DeviceIoControl(g_hAcpiDevice, kIoctlAcpiMethod, request.data(), static_cast<DWORD>(request.size()),
                        reply.data(), static_cast<DWORD>(reply.size()), &returned, nullptr) == kFalse) {
        TraceA("DCLG return false !");
        if (g_hAcpiDevice != nullptr && g_hAcpiDevice != InvalidHandleValue()) {
            CloseHandle(g_hAcpiDevice);
            g_hAcpiDevice = nullptr;
        }
        return false;
    }
    // A reply shorter than the four bytes of a code counts as code 0; bytes after the fourth are not used.
    *code = 0;
    if (returned >= 4) {
        for (int b = 0; b < 4; ++b) {
            *code |= static_cast<uint32_t>(reply[static_cast<std::size_t>(b)]) << (8 * b);
        }
    }
    return true;
}

std::vector<MonitorEdidEntry> ReadMonitorEdids() {
    int32_t count = 0;
    GetMonitorEdid(&count, nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0);
    if (count <= 0) {
        return {};
    }
    const auto monitors = static_cast<std::size_t>(count);
    std::vector<int32_t> activeFlags(monitors, 0);
    std::vector<std::array<char16_t, kNameCapacity>> names(monitors, std::array<char16_t, kNameCapacity>{});
    std::vector<char16_t*> namePointers(monitors);
    std::vector<uint32_t> technologies(monitors, 0);
    std::vector<uint8_t> blockIds(monitors, 0);
    std::vector<uint8_t> blockTypes(monitors, 0);
    std::vector<MonitorEdidEntry> entries(monitors);
    std::vector<uint8_t*> blockPointers(monitors);
    for (std::size_t i = 0; i < monitors; ++i) {
        namePointers[i] = names[i].data();
        blockPointers[i] = entries[i].block.data();
    }
    GetMonitorEdid(&count, activeFlags.data(), namePointers.data(), kNameCapacity, technologies.data(),
                   blockIds.data(), blockTypes.data(), blockPointers.data(), kEdidBlockBytes);
    // The filling pass never describes more monitors than it was given room for.
    entries.resize(count <= 0 ? 0 : std::min(static_cast<std::size_t>(count), monitors));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].instance = names[i].data();
        entries[i].blockType = blockTypes[i];
    }
    return entries;
}

std::vector<std::u16string> GetPanelCandidates() {
    char16_t chassis[kChassisText] = {};
    const bool chassisRead = GetChassisType(chassis) != 0;
    ReportChassis(chassisRead, chassis);
    if (chassisRead && WEqualNoCase(chassis, u"13")) {
        uint32_t code = 0;
        if (QueryAcpiPanelCode(&code)) {
            char16_t candidate[kCandidateText] = {};
            FormatW(candidate, kCandidateText, u"%08X", code);
            ReportCandidate(candidate, nullptr);
            return {std::u16string(candidate)};
        }
    }
    return EdidCandidates();
}

bool IsPanelCandidate(std::u16string_view text) {
    return text.size() == kPanelCandidateDigits && std::all_of(text.begin(), text.end(), IsUpperHexDigit);
}
