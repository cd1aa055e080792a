// Registry: opening a key, reading one value, closing.
#pragma once

#include "platform/types.h"

namespace platform {

struct RegKeyTag;
using HKEY = RegKeyTag*;

HKEY HKeyLocalMachine();

constexpr DWORD KEY_QUERY_VALUE = 0x0001;
constexpr DWORD KEY_WOW64_64KEY = 0x0100;
constexpr DWORD KEY_WOW64_32KEY = 0x0200;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_QWORD = 11;

LONG RegOpenKeyExW(HKEY root, const char16_t* subKey, DWORD options, DWORD samDesired, HKEY* result);
// Copies the value's bytes into data when *size is large enough (ERROR_MORE_DATA otherwise);
// *size receives the value's length. type may be null.
LONG RegQueryValueExW(HKEY key, const char16_t* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* size);
LONG RegCloseKey(HKEY key);

} // namespace platform
