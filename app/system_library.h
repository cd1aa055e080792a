// Paths of the system's own libraries, in the system directory.
#pragma once

#include <cstddef>

// Capacity, in UTF-16 units with the terminator, of the system directory and library path buffers.
inline constexpr std::size_t kSystemPathText = 512;

// The system directory into directory (kSystemPathText units); empty when it is not returned or does
// not fit.
void GetSystemDirectoryPath(char16_t* directory);

// "<system directory>\<fileName>" into path (kSystemPathText units); empty when the system directory is
// empty or the path would not fit, since a cut path would name another file.
void SystemLibraryPath(const char16_t* systemDirectory, const char16_t* fileName, char16_t* path);
