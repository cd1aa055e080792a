// Folders of the computer the program runs on: on Windows, every path is already one of them.
#include "platform/host_folders.h"
#include "platform/process.h"

namespace platform {

void StartHostProcess(int argc, char** argv) {
    StartProcess(argc, argv);
}

std::u16string HostFolderPath(const char16_t* argument) {
    return argument;
}

void EndHostProcess() {
    EndProcess();
}

} // namespace platform
