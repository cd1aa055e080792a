// Reading one tag of an ICC profile as text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/color_system.h"
// The tag signatures the caller passes (MakeTagSignature), and the outcomes of decoding.
#include "profile/tag_text.h"

// What reading one tag gave, and the type signature the tag starts with (0 when it is not read or
// has fewer than four bytes).
struct TagReading {
    TagOutcome outcome = TagOutcome::Unread;
    uint32_t type = 0;
};

// Reads the tag of an open profile, decoded into narrow text in the tag's own 8-bit characters, cut at
// capacity - 1 and terminated. Text is left as it was unless the outcome is TagOutcome::Text.
TagReading ReadTagNarrow(platform::HPROFILE profile, uint32_t signature, char* text, std::size_t capacity);

// Converts narrow tag text from the code page to UTF-16 into text (capacity units). Returns 1 on success;
// text is left as it was otherwise.
int TagTextToWide(platform::UINT codePage, const char* narrow, char16_t* text, std::size_t capacity);

// Reads the tag of the profile (the first one opened in this process) and writes its text into text
// (capacity units). The buffer is left as it was when the tag gives no text. Returns 1 when text was
// written.
int ParserICCTag(const char16_t* profilePath, char16_t* text, std::size_t capacity, uint32_t signature);
