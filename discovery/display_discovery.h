// The graphics adapter that drives the built-in panel, its vendor identifier and its monitor.
#pragma once

#include <cstddef>

inline constexpr std::size_t kInternalDisplayText = 260;
// Units of the vendor identifier that follow the "_" of the adapter's DeviceID.
inline constexpr std::size_t kVendorIdUnits = 4;

// The GDI source name of the first active internal or embedded display path, into name
// (kInternalDisplayText units). Returns 1 when a name was copied.
int GetInternalDisplayName(char16_t* name);

// Chooses the adapter, writes its four-character vendor identifier into vendorId (zero-filled by the
// caller, at least five units) and records the chosen monitor in the run context. Returns 1 when an
// adapter was chosen.
int my_Get_VGA_VID2(char16_t* vendorId);
