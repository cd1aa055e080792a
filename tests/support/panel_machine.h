// Machine descriptions for tests of the profile choice: the default machine with other monitors.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/machine.h"

namespace test {

// The default machine's WMI with one monitor per panel identifier (eight hexadecimal digits, as the
// candidate list will give them), in order, each with the default monitor's EDID otherwise.
sim::Json WmiWithPanels(const std::vector<std::string>& panels);

} // namespace test
