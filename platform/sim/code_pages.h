// The code pages that the simulated machine converts. Internal to the sim backend.
#pragma once

#include <algorithm>
#include <array>

#include "platform/types.h"

namespace sim {

constexpr platform::UINT kWindows1252 = 1252;
constexpr platform::UINT kLatin1 = 28591;
constexpr platform::UINT kUtf8 = 65001;

// Every ANSI code page of Windows, and ISO 8859-1: the values a machine description may give as its
// ANSI code page.
constexpr std::array<platform::UINT, 16> kAnsiCodePages{874,  932,  936,  949,  950,  1250, 1251,    1252,
                                                        1253, 1254, 1255, 1256, 1257, 1258, kLatin1, kUtf8};

constexpr bool IsSupportedCodePage(platform::UINT codePage) {
    return std::find(kAnsiCodePages.begin(), kAnsiCodePages.end(), codePage) != kAnsiCodePages.end();
}

} // namespace sim
