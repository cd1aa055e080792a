// The identifiers under which the built-in panel may be named, in order of preference.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Every candidate is this many hexadecimal digits.
inline constexpr std::size_t kPanelCandidateDigits = 8;

// Opens the maker's ACPI control device into g_hAcpiDevice. Returns the handle stored.
void* InitializeQRXACPIDevice();

// The panel code of the ACPI control device on an All-in-One chassis, otherwise one identifier per
// monitor's EDID; each eight upper-case hexadecimal digits.
std::vector<std::u16string> GetPanelCandidates();

// Whether text has the form of a candidate: eight upper-case hexadecimal digits, the "%08X" of a panel
// code or the four "%02X" of an EDID's identification bytes.
bool IsPanelCandidate(std::u16string_view text);
