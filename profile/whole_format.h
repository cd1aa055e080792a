// Formatting of names and paths that are only of use whole.
#pragma once

#include <cstddef>
#include <string>

#include "platform/format.h"
#include "platform/text.h"

// Formats into buffer (capacity units) when the whole text fits, and returns true. A text that does
// not fit leaves the buffer empty: a path cut short could name another file.
template <typename... Args>
bool FormatWhole(char16_t* buffer, std::size_t capacity, const char16_t* format, const Args&... args) {
    const platform::FormatArg list[] = {platform::FormatArg(args)..., platform::FormatArg(0)};
    const std::u16string whole =
        platform::FormatWideString(format, std::span<const platform::FormatArg>(list, sizeof...(Args)));
    platform::WClear(buffer, capacity);
    if (whole.size() >= capacity) {
        return false;
    }
    platform::WCopy(buffer, capacity, whole.c_str());
    return true;
}
