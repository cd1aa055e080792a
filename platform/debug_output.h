// Debugger output and the system's error message texts.
#pragma once

#include "platform/types.h"

namespace platform {

void OutputDebugStringA(const char* text);
void OutputDebugStringW(const char16_t* text);

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x0100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x0200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x1000;
constexpr DWORD LANG_NEUTRAL_SUBLANG_DEFAULT = 0x0400;

// Only the allocating form is offered: *allocated receives a buffer that the system allocates (null
// when there is no text); the result is its length in characters, 0 on failure.
DWORD FormatMessageW(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char16_t** allocated,
                     DWORD size, void* arguments);

} // namespace platform
