// Start and end of the process as the platform sees them.
#pragma once

namespace platform {

// Called first thing in main. The sim loads its machine here (and ends the process with status 2 when
// the machine description is unusable); on Windows there is nothing to do.
void StartProcess(int argc, char** argv);

// Called last thing before main returns. The sim writes the colour system's state back to its root.
void EndProcess();

} // namespace platform
