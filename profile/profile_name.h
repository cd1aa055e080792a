// How the profile files are named: the base name board_vendor_panel, the factory profile (base name and
// ".icm") and its colour-management variant (base name and "_CMDEF.icm").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr char16_t kNameSeparator = u'_';
inline constexpr char16_t kFactorySuffix[] = u".icm";
inline constexpr char16_t kCmdefSuffix[] = u"_CMDEF.icm";

struct ProfileName {
    std::u16string board;
    std::u16string vendor;
    std::u16string panel;
    // The colour-management variant rather than the factory profile.
    bool cmdef = false;
};

// The file of a profile in folder (ending in its separator, or empty for the name alone): the factory
// profile, or its colour-management variant. False, with path empty, when it does not fit capacity.
bool ProfileFilePath(char16_t* path, std::size_t capacity, const char16_t* folder, const char16_t* baseName,
                     bool cmdef);

// Splits a file name from the right into its parts: the suffix, then the panel and the vendor, each up
// to the separator before it; the board is the rest and may itself hold separators. Suffixes compare
// ignoring ASCII letter case, as the file look-ups do. False when the name lacks the suffix or a separator.
bool ParseProfileName(std::u16string_view fileName, ProfileName& parts);
