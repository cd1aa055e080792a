// INI profile-string files.
#pragma once

#include "platform/types.h"

namespace platform {

UINT GetPrivateProfileIntW(const char16_t* section, const char16_t* key, int defaultValue,
                           const char16_t* fileName);
BOOL WritePrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* value,
                                const char16_t* fileName);

} // namespace platform
