// Internal to the win32 backend: the Windows headers and the conversions between the platform layer's
// types and the Windows ones.
//
// Include the platform headers a file implements before this one: the Windows headers define many of
// the platform's constant names (KEY_WOW64_64KEY, ERROR_SUCCESS, ...) as macros.
#pragma once

#include "platform/types.h"

#include <windows.h>

namespace win32 {

// UTF-16 text: char16_t in the platform layer, wchar_t (16 bits) on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline const wchar_t* W(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}
inline wchar_t* W(char16_t* text) {
    return reinterpret_cast<wchar_t*>(text);
}
inline const char16_t* U(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}
inline char16_t* U(wchar_t* text) {
    return reinterpret_cast<char16_t*>(text);
}

// A 32-bit Windows out-value (DWORD, LONG: long on Windows) copied to the platform's fixed-width
// integer when the caller asked for it.
template <typename To, typename From> void CopyOut(To* to, From from) {
    static_assert(sizeof(To) == sizeof(From));
    if (to != nullptr) {
        *to = static_cast<To>(from);
    }
}

} // namespace win32

// The platform's basic types must be the Windows ones, bit for bit.
static_assert(sizeof(platform::BOOL) == sizeof(BOOL));
static_assert(sizeof(platform::DWORD) == sizeof(DWORD));
static_assert(sizeof(platform::LONG) == sizeof(LONG));
static_assert(sizeof(platform::ULONG) == sizeof(ULONG));
static_assert(sizeof(platform::UINT) == sizeof(UINT));
static_assert(sizeof(platform::WORD) == sizeof(WORD));
static_assert(sizeof(platform::HRESULT) == sizeof(HRESULT));
static_assert(sizeof(platform::Handle) == sizeof(HANDLE));
