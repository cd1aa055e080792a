// Start and end of the process: Windows sets the process up and tears it down itself, so the real
// backend has nothing to load at start or to write back at the end.
#include "platform/process.h"

namespace platform {

void StartProcess(int, char**) {}

void EndProcess() {}

} // namespace platform
