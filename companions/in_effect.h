// Whether the profile the tool chooses is in effect for the built-in panel, for the fleet tools that
// detect it and for a support person: what stands in the way, in one line.
#pragma once

#include <string>

#include "companions/inspect_report.h"

struct Verdict {
    bool inEffect = false;
    // "in effect: ..." or "not in effect: ..." with what is missing.
    std::string line;
};

// In effect: the chosen profile is staged, its _CMDEF variant installed and the default of the built-in
// display's standard list in the scope in effect for this account; without the display functions, the
// variant is associated with the monitor through the legacy calls.
Verdict Verify(const Inspection& found);

// Plain words for a machine whose adapter rule does not reach the built-in panel (the lid closed, the
// panel off); empty when the rule took the panel's path.
std::string PanelWarning(const Inspection& found);
