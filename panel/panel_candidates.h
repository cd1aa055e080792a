// The identifiers under which the built-in panel may be named, in order of preference.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Every candidate is this many hexadecimal digits.
inline constexpr std::size_t kPanelCandidateDigits = 8;

// Opens the maker's ACPI control device into g_hAcpiDevice. Returns the handle stored.
void* InitializeQRXACPIDevice();

// Capacity of the EDID block read per monitor.
inline constexpr int32_t kEdidBlockBytes = 128;

// One monitor as the counting and filling passes of the EDID retrieval describe it.
struct MonitorEdidEntry {
    std::u16string instance;
    uint8_t blockType = 0;
    std::array<uint8_t, kEdidBlockBytes> block{};
};

// Every monitor the EDID retrieval describes, in its order, with the block it read.
std::vector<MonitorEdidEntry> ReadMonitorEdids();

// Asks the ACPI control device for the panel code. False when the device is missing (g_hAcpiDevice is
// then the invalid handle) or the method call fails (the device is closed again, g_hAcpiDevice null).
bool QueryAcpiPanelCode(uint32_t* code);

// The panel code of the ACPI control device on an All-in-One chassis, otherwise one identifier per
// monitor's EDID; each eight upper-case hexadecimal digits.
std::vector<std::u16string> GetPanelCandidates();

// Whether text has the form of a candidate: eight upper-case hexadecimal digits, the "%08X" of a panel
// code or the four "%02X" of an EDID's identification bytes.
bool IsPanelCandidate(std::u16string_view text);

// Text of one candidate: eight hexadecimal digits and the terminator.
inline constexpr std::size_t kCandidateText = kPanelCandidateDigits + 1;

// The candidate of a monitor's base EDID block (at least 12 bytes): bytes 8 to 11, the manufacturer
// field and the product code, each in reverse byte order.
void EdidCandidate(const uint8_t* block, char16_t* candidate);
