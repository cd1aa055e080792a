// Start and end of the process as the platform sees them.
#pragma once

namespace platform {

// Called first thing in main of every program. The sim loads its machine here (and ends the process
// with status 2 when the machine description is unusable). Both then restrict the library search to the
// system directory, before anything loads a library.
void StartProcess(int argc, char** argv);

// Called last thing before main returns. The sim writes the colour system's state back to its root.
void EndProcess();

} // namespace platform
