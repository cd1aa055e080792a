// The text of a profile-string (INI) file, read and edited in memory: what the sim's
// GetPrivateProfileIntW and WritePrivateProfileStringW do to a file's bytes once it is read.
// Internal to the sim backend.
#pragma once

#include <string>

#include "platform/types.h"

namespace sim {

// A file's bytes are text in the ANSI code page codePage, one that GetACP can give (not CP_ACP), unless
// they start with the UTF-16LE byte-order mark. The calls take no state of the machine: the same bytes
// and arguments give the same result.

// The value of key in the first section named section, as GetPrivateProfileIntW reads it from a file
// of these bytes; fallback when there is none.
platform::UINT ProfileInt(const std::string& bytes, platform::UINT codePage, const char16_t* section,
                          const char16_t* key, platform::UINT fallback);

// The bytes of the file after WritePrivateProfileStringW(section, key, value): a null key deletes the
// section, a null value the key.
std::string ProfileWrite(const std::string& bytes, platform::UINT codePage, const char16_t* section,
                         const char16_t* key, const char16_t* value);

} // namespace sim
