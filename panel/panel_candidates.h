// The identifiers under which the built-in panel may be named, in order of preference.
#pragma once

#include <string>
#include <vector>

// Opens the maker's ACPI control device into g_hAcpiDevice. Returns the handle stored.
void* InitializeQRXACPIDevice();

// The panel code of the ACPI control device on an All-in-One chassis, otherwise one identifier per
// monitor's EDID; each eight upper-case hexadecimal digits.
std::vector<std::u16string> GetPanelCandidates();
