// Reading one tag of an ICC profile as text.
#pragma once

#include <cstddef>
#include <cstdint>

// The tag signatures the caller passes (MakeTagSignature).
#include "profile/tag_text.h"

// Reads the tag of the profile (the first one opened in this process) and writes its text into text
// (capacity units). The buffer is left as it was when the tag gives no text. Returns 1 when text was
// written.
int ParserICCTag(const char16_t* profilePath, char16_t* text, std::size_t capacity, uint32_t signature);
