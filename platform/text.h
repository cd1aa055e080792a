// Small helpers that the routines, both backends, the companion programs and the tests share, one for each
// job: zero-terminated UTF-16 strings in fixed buffers, ASCII letter case, Windows path separators, UTF-8,
// hexadecimal text and big-endian numbers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Zero-terminated UTF-16 strings.
std::size_t WLen(const char16_t* text);
// Copies text into a buffer of capacity units, cut at capacity - 1 with its terminator; returns the
// number of units copied. Does nothing when capacity is 0.
std::size_t WCopy(char16_t* dest, std::size_t capacity, const char16_t* text);
// Zero-fills a buffer of capacity units.
void WClear(char16_t* dest, std::size_t capacity);
bool WEqual(const char16_t* a, const char16_t* b);
// Position of the first occurrence of unit in text, or null.
const char16_t* WFind(const char16_t* text, char16_t unit);
// Case-sensitive substring test.
bool WContains(const char16_t* text, const char16_t* part);

// ASCII letter case, as Windows compares the names of files, registry keys and WMI objects: only A to Z
// and a to z change. Sorting by the upper-case form puts "_" after the letters, as NTFS lists names.
template <typename Char> constexpr Char UpperAscii(Char c) {
    return (c >= Char('a') && c <= Char('z')) ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}
template <typename Char> constexpr Char LowerAscii(Char c) {
    return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}
template <typename Char> constexpr bool IsAsciiLetter(Char c) {
    return (c >= Char('A') && c <= Char('Z')) || (c >= Char('a') && c <= Char('z'));
}
// A whole text with its ASCII letters in upper case.
template <typename Text> Text UpperAsciiText(Text text) {
    std::transform(text.begin(), text.end(), text.begin(), UpperAscii<typename Text::value_type>);
    return text;
}
// Equal but for the case of ASCII letters.
bool EqualNoCase(std::string_view a, std::string_view b);
bool EqualNoCase(std::u16string_view a, std::u16string_view b);
bool WEqualNoCase(const char16_t* a, const char16_t* b);
// The text as the comparisons above compare it: two texts are equal ignoring case exactly when these are.
std::u16string WFoldNoCase(const char16_t* text);

// "\" and "/" both separate the parts of a Windows path.
constexpr bool IsPathSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}
// Where the last part of a Windows path (its file name) starts: after its last separator, or 0.
std::size_t NameStart(std::u16string_view path);

// UTF-8. The length of the well-formed sequence at text[at] (no overlong forms, no surrogates, nothing
// above U+10FFFF), or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);
// Plain conversions: unpaired surrogates and ill-formed bytes become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
// A zero-terminated text as UTF-8; empty for a null pointer.
std::string Utf8OrEmpty(const char16_t* text);

// Hexadecimal text. The digit of a value from 0 to 15, upper or lower case.
constexpr char HexDigit(unsigned value) {
    return "0123456789ABCDEF"[value & 0xF];
}
constexpr char LowerHexDigit(unsigned value) {
    return "0123456789abcdef"[value & 0xF];
}
// The value of a hexadecimal digit of either case, or -1.
constexpr int HexDigitValue(char32_t c) {
    if (c >= U'0' && c <= U'9') {
        return static_cast<int>(c - U'0');
    }
    const char32_t upper = UpperAscii(c);
    return (upper >= U'A' && upper <= U'F') ? static_cast<int>(upper - U'A') + 10 : -1;
}
constexpr bool IsUpperHexDigit(char32_t c) {
    return HexDigitValue(c) >= 0 && UpperAscii(c) == c;
}
// "0x%08X" of a value, as HRESULTs and control codes are written.
std::string Hex32(uint32_t value);
// "0x%016X" of a 64-bit value, as adapter LUIDs are written (the high part first).
std::string Hex64(uint64_t value);
// True for an even number of hexadecimal digits (either case), the form of binary data in descriptions.
bool IsHex(std::string_view text);
// The bytes of such a text (a text that is not hex gives the bytes of its leading well-formed pairs).
std::vector<uint8_t> FromHex(std::string_view text);
// Upper-case hexadecimal digits of bytes.
std::string ToHex(const void* data, std::size_t size);

// The 32-bit big-endian number at bytes (ICC profiles store their numbers so).
constexpr uint32_t ReadBigEndian32(const uint8_t* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           uint32_t{bytes[3]};
}
// Little-endian numbers (security descriptors, access lists and SIDs store theirs so): read at bytes, and
// the low size bytes of value appended to bytes.
constexpr uint16_t ReadLittleEndian16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}
constexpr uint32_t ReadLittleEndian32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} | (uint32_t{bytes[1]} << 8) | (uint32_t{bytes[2]} << 16) |
           (uint32_t{bytes[3]} << 24);
}
void AppendLittleEndian(std::string& bytes, uint32_t value, std::size_t size);
// The low size bytes of value written at bytes, little-endian.
constexpr void WriteLittleEndian(uint8_t* bytes, uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

} // namespace platform
