// The system libraries that the simulated machine has, and what they export.
#pragma once

#include <string_view>

#include "platform/library.h"

namespace sim {

// True for a library file name (no folder) that the machine's system directory holds.
bool IsSystemLibrary(std::u16string_view fileName);

// The function that the named system library exports under name, or null.
platform::FARPROC FindExport(std::u16string_view libraryFileName, std::string_view name);

} // namespace sim
