// Memory that the system hands out and LocalFree releases (argument arrays, message texts, session
// information). What is still allocated is released when the next machine is loaded. Internal to the sim
// backend.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

void* LocalAllocate(std::size_t bytes);
// False for a pointer that did not come from LocalAllocate (or was released already).
bool LocalRelease(void* memory);

// A copy of text, zero-terminated, in memory of its own. Null when the memory cannot be had.
char16_t* LocalString(std::u16string_view text);
// Strings as the system hands out a list of them: one block that holds the array of pointers, closed by a
// null one, followed by the zero-terminated strings. Null when the memory cannot be had.
char16_t** LocalStringArray(const std::vector<std::u16string>& strings);

} // namespace sim
