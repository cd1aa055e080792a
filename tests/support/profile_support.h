// Machines, run context and output filters for tests of the profile choice and association.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/description.h"

namespace test {

// The default machine's WMI with one monitor per panel identifier (eight hexadecimal digits, as the
// candidate list will give them), in order, each with the default monitor's EDID otherwise.
sim::Json WmiWithPanels(const std::vector<std::string>& panels);

// The lines that start with prefix, in order.
std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, std::string_view prefix);

// COM started and the run context's system function pointers that the profile choice uses (the
// console user's name query, display device enumeration) set, as the run sequence leaves them.
void PrepareForTagExport();

} // namespace test
