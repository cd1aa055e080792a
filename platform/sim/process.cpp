// Start and end of the process on the simulated machine.
#include "platform/process.h"

#include "platform/library.h"
#include "platform/sim/machine.h"

namespace platform {

void StartProcess(int argc, char** argv) {
    sim::LoadFromEnvironment(argc, argv);
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void EndProcess() {
    sim::Finish();
}

} // namespace platform
