// The per-user data file in the staging folder.
#pragma once

#include <cstddef>

// Writes the path of the console user's data file into path (capacity units); a path that does
// not fit is left empty; returns 1.
int GetUserDataFilePath(char16_t* path, std::size_t capacity);
