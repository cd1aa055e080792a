// Temporary: the calibration switch until the sim's colour-system module lands. Delete this file then.
#include "platform/color_system.h"

namespace platform {

BOOL PLATFORM_API WcsSetCalibrationManagementState(BOOL) { return kFalse; }

} // namespace platform
