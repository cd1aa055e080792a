// The per-user data file in the staging folder.
#pragma once

#include <cstddef>

// Writes the path of the console user's data file into path (capacity units, cut to fit); returns 1.
int GetUserDataFilePath(char16_t* path, std::size_t capacity);
