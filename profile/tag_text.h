// Decoding of the two tag types that tag extraction converts to text, from a tag's raw bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Tag signatures: the four characters read big-endian.
constexpr uint32_t MakeTagSignature(const char (&tag)[5]) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(tag[0])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(tag[1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(tag[2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(tag[3]));
}

// Whether the tag under this signature is converted as XYZ numbers (wtpt, rXYZ, gXYZ, bXYZ); every
// other signature is converted as a text description.
bool IsXyzSignature(uint32_t signature);

// Bytes of a tag that decoding needs, from its start, to give text of up to capacity - 1 characters.
// Reading more of the tag never changes the text.
std::size_t TagBytesNeeded(std::size_t capacity);

// What reading a tag as text gave: text, or why there is none.
enum class TagOutcome {
    Text,
    // The tag is absent, or cannot be read.
    Unread,
    // Its type is not the one its signature is converted as (textDescriptionType or XYZType).
    OtherType,
    // Shorter than its type's fixed fields: a text description without its count, an XYZ tag without
    // a number.
    TooShort,
    // A text description whose ASCII part is empty (its count is 0).
    NoAscii,
    // A text description whose ASCII count runs past the end of the tag.
    AsciiPastTag,
};

// The type signature that a tag's bytes start with; 0 when there are fewer than four.
uint32_t TagTypeOf(std::span<const uint8_t> head);

// Decodes the tag (its first bytes in head, its full size in tagSize) into narrow text in the tag's
// own 8-bit characters, cut at capacity - 1 and terminated. Anything but Text leaves text untouched.
TagOutcome DecodeTagText(uint32_t signature, std::span<const uint8_t> head, uint32_t tagSize, char* text,
                         std::size_t capacity);
