// Small helpers for zero-terminated UTF-16 strings in fixed buffers.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

std::size_t WLen(const char16_t* text);
// Copies text into a buffer of capacity units, cut at capacity - 1 with its terminator; returns the
// number of units copied. Does nothing when capacity is 0.
std::size_t WCopy(char16_t* dest, std::size_t capacity, const char16_t* text);
// Zero-fills a buffer of capacity units.
void WClear(char16_t* dest, std::size_t capacity);
bool WEqual(const char16_t* a, const char16_t* b);
// The unit with an ASCII letter A to Z folded to lower case, as the comparisons below fold it.
char16_t FoldAscii(char16_t c);
// Equal when the ASCII letters A to Z are folded to lower case.
bool WEqualNoCase(const char16_t* a, const char16_t* b);
// The text as WEqualNoCase compares it: two texts are equal ignoring case exactly when these are equal.
std::u16string WFoldNoCase(const char16_t* text);
// Position of the first occurrence of unit in text, or null.
const char16_t* WFind(const char16_t* text, char16_t unit);
// Case-sensitive substring test.
bool WContains(const char16_t* text, const char16_t* part);

// Plain UTF conversions (unpaired surrogates and invalid bytes become U+FFFD).
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

} // namespace platform
