// The run from start to exit.
#pragma once

#include <cstddef>

// Runs the whole sequence once and returns the exit code: 0, or -11 when a system library cannot be
// loaded.
int RunSequence();

// Capacity, in UTF-16 units with the terminator, of the program folder.
inline constexpr std::size_t kProgramFolderText = 512;

// Loads the terminal-services and user-interface libraries from the system directory and resolves the
// run context's function pointers. False when either library cannot be loaded.
bool LoadSystemLibraries();

// The drive and directory of the running program, ending in a separator, into programFolder
// (kProgramFolderText units); empty when the module path is unknown or its directory part needs more
// than 255 characters.
void GetProgramFolder(char16_t* programFolder);
