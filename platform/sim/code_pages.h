// The code pages that the simulated machine converts. Internal to the sim backend.
#pragma once

#include "platform/types.h"

namespace sim {

constexpr platform::UINT kWindows1252 = 1252;
constexpr platform::UINT kLatin1 = 28591;
constexpr platform::UINT kUtf8 = 65001;

// Windows-1252, ISO 8859-1 and UTF-8: the values a machine description may give as its ANSI code page.
constexpr bool IsSupportedCodePage(platform::UINT codePage) {
    return codePage == kWindows1252 || codePage == kLatin1 || codePage == kUtf8;
}

} // namespace sim
