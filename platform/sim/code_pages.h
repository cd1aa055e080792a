// The code pages that the simulated machine converts, and its narrow text. Internal to the sim backend.
#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

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

// Narrow text in the machine's ANSI code page, or in the given one, -> UTF-16, as
// MultiByteToWideChar(codePage, 0, ...) converts it.
std::u16string AnsiToUtf16(std::string_view text);
std::u16string AnsiToUtf16(std::string_view text, platform::UINT codePage);

} // namespace sim
