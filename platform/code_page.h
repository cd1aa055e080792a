// Conversion between the ANSI code page and UTF-16.
#pragma once

#include "platform/types.h"

namespace platform {

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x0008;
constexpr DWORD WC_COMPOSITECHECK = 0x0200;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x0080;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x0400;

// The system's ANSI code page, the one CP_ACP stands for.
UINT GetACP();

// As Windows: a source length of -1 includes the terminator; a destination length of 0 asks for the
// length needed; the result is the number of units written (0 on failure, ERROR_INSUFFICIENT_BUFFER
// when the destination is too small).
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceLength, char16_t* dest,
                        int destLength);
int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* source, int sourceLength, char* dest,
                        int destLength, const char* defaultChar, BOOL* usedDefaultChar);

} // namespace platform
