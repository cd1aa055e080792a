// Start and end of the process on the simulated machine.
#include "platform/process.h"

#include "platform/sim/machine.h"

namespace platform {

void StartProcess(int argc, char** argv) {
    sim::LoadFromEnvironment(argc, argv);
}

void EndProcess() {
    sim::Finish();
}

} // namespace platform
