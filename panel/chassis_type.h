// The machine's chassis type, from WMI.
#pragma once

#include <cstddef>

inline constexpr std::size_t kChassisText = 260;

// Writes the first chassis type of the last readable enclosure, in decimal, into text (kChassisText
// units, cleared by the caller). Returns 1 when the query ran, 0 when it could not be set up.
int GetChassisType(char16_t* text);
