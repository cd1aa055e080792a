// Resolution of the profile that belongs to this machine.
#pragma once

#include <cstddef>

// Writes the profile base name (board_vendor_panel) into baseName (capacity units). True when the
// candidate's profile exists in the staging folder.
bool GetIcmFilename(char16_t* baseName, std::size_t capacity);
