// Export of the chosen profile's private tags into the per-user data file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "profile/icc_tag.h"

// Capacity of the tag text buffer: a tag is exported with at most kTagText - 1 characters.
inline constexpr std::size_t kTagText = 512;

// A private tag and the key of section ICMTag it is written under.
struct ExportedTag {
    uint32_t signature;
    const char16_t* key;
};

// The private tags that are exported, in order.
inline constexpr ExportedTag kExportedTags[] = {
    {MakeTagSignature("pngm"), u"PNGM"},
    {MakeTagSignature("pntp"), u"PNTP"},
    {MakeTagSignature("i1tp"), u"I1TP"},
};

// The text written for one tag of the profile at profilePath, into text (capacity units, cleared
// here): empty when the tag gives none.
void ExportedTagText(const char16_t* profilePath, const ExportedTag& tag, char16_t* text,
                     std::size_t capacity);

// Ends the text at its first line break (CR or LF), as the exported value ends there. Returns true when
// the text had one.
bool EndAtLineBreak(char16_t* text);

// Resolves the profile, records its colour-management variant in the run context and writes the three
// private tags into section ICMTag of the per-user data file.
void GetICMTagContent();
