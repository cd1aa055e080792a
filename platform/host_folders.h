// Folders of the computer the program runs on, for a program that checks files there rather than
// doing the tool's job on a machine (the package check).
//
// On Windows the folders are Windows paths, and the process starts and ends as every program does.
// On the simulated machine they are host paths: the program runs on a throw-away machine (the embedded
// default, in a fresh root under the host's temporary folder, removed at the end), and each folder is
// reached through drive H: of that machine, where H:\1, H:\2, ... lead to the folders in the order they
// were given. Every file is then read through the machine's own services, as on Windows.
#pragma once

#include <string>

namespace platform {

// Called first thing in main, in place of StartProcess.
void StartHostProcess(int argc, char** argv);

// The path under which the folder named by a command-line argument is read. The folder need not
// exist: a search in it then fails as for a missing folder.
std::u16string HostFolderPath(const char16_t* argument);

// Called last thing before main returns, in place of EndProcess.
void EndHostProcess();

} // namespace platform
