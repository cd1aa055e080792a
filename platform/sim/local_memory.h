// Memory that the system hands out and LocalFree releases (argument arrays, message texts, session
// information). What is still allocated is released when the next machine is loaded. Internal to the sim
// backend.
#pragma once

#include <cstddef>

namespace sim {

void* LocalAllocate(std::size_t bytes);
// False for a pointer that did not come from LocalAllocate (or was released already).
bool LocalRelease(void* memory);

} // namespace sim
