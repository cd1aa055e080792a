// INI profile-string files.
#include "platform/profile_strings.h"

#include "platform/win32/win32.h"

namespace platform {

UINT GetPrivateProfileIntW(const char16_t* section, const char16_t* key, int defaultValue,
                           const char16_t* fileName) {
    return ::GetPrivateProfileIntW(win32::W(section), win32::W(key), defaultValue, win32::W(fileName));
}

BOOL WritePrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* value,
                                const char16_t* fileName) {
    return ::WritePrivateProfileStringW(win32::W(section), win32::W(key), win32::W(value),
                                        win32::W(fileName));
}

} // namespace platform
