// Start and end of the process. Windows sets the process up and tears it down itself; the start only
// restricts the library search to the system directory before anything loads a library, since the
// program runs elevated from a folder that others may write to.
#include "platform/process.h"

#include "platform/library.h"

namespace platform {

void StartProcess(int, char**) {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void EndProcess() {}

} // namespace platform
