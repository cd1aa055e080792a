// The identifiers under which the built-in panel may be named, in order of preference.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Opens the maker's ACPI control device into g_hAcpiDevice. Returns the handle stored.
void* InitializeQRXACPIDevice();

// The panel code of the ACPI control device on an All-in-One chassis, otherwise one identifier per
// monitor's EDID; each eight upper-case hexadecimal digits.
std::vector<std::u16string> GetPanelCandidates();

// Text of one candidate: eight hexadecimal digits and the terminator.
inline constexpr std::size_t kCandidateText = 9;

// The candidate of a monitor's base EDID block (at least 12 bytes): bytes 8 to 11, the manufacturer
// field and the product code, each in reverse byte order.
void EdidCandidate(const uint8_t* block, char16_t* candidate);
