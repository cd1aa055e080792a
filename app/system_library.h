// Paths of the system's own libraries, in the system directory.
#pragma once

#include <cstddef>

#include "platform/library.h"

// Capacity, in UTF-16 units with the terminator, of the system directory and library path buffers.
inline constexpr std::size_t kSystemPathText = 512;

// The system directory into directory (kSystemPathText units); empty when it is not returned or does
// not fit.
void GetSystemDirectoryPath(char16_t* directory);

// "<system directory>\<fileName>" into path (kSystemPathText units); empty when the system directory is
// empty or the path would not fit, since a cut path would name another file.
void SystemLibraryPath(const char16_t* systemDirectory, const char16_t* fileName, char16_t* path);

// Loads a system library by its full path in the system directory, never through the search order, which
// would look in the program's own folder first. Null when the path cannot be made or the library is not
// found.
platform::HMODULE LoadSystemLibrary(const char16_t* fileName);
