#include "profile/tag_text.h"

#include <algorithm>

#include "platform/format.h"
#include "platform/text.h"

namespace {

// textDescriptionType: type signature, 4 reserved bytes, the ASCII count (terminator included), then
// the ASCII characters.
constexpr std::size_t kDescHeader = 12;
// Every tag starts with its type signature.
constexpr std::size_t kTypeBytes = 4;
// XYZType: type signature, 4 reserved bytes, then 12 bytes (three s15Fixed16 numbers) per XYZ number.
constexpr std::size_t kXyzHeader = 8;
constexpr std::size_t kXyzNumber = 12;
// The narrow buffer that the XYZ text is formatted into.
constexpr std::size_t kXyzText = 260;

uint32_t ReadBig32(std::span<const uint8_t> bytes, std::size_t at) {
    return platform::ReadBigEndian32(bytes.subspan(at, 4).data());
}

double ReadS15Fixed16(std::span<const uint8_t> bytes, std::size_t at) {
    return static_cast<double>(static_cast<int32_t>(ReadBig32(bytes, at))) / 65536.0;
}

TagOutcome DecodeTextDescription(std::span<const uint8_t> head, uint32_t tagSize, char* text,
                                 std::size_t capacity) {
    if (TagTypeOf(head) != MakeTagSignature("desc")) {
        return TagOutcome::OtherType;
    }
    if (head.size() < kDescHeader) {
        return TagOutcome::TooShort;
    }
    // The head is never longer than the tag, so the tag holds at least the fixed fields.
    const uint32_t count = ReadBig32(head, 8);
    if (count == 0) {
        return TagOutcome::NoAscii;
    }
    if (count > tagSize - kDescHeader) {
        return TagOutcome::AsciiPastTag;
    }
    // The ASCII part ends at its terminator, or at its count when a faulty writer left it out.
    const std::span<const uint8_t> ascii =
        head.subspan(kDescHeader, std::min<std::size_t>(count, head.size() - kDescHeader));
    const auto end = std::find(ascii.begin(), ascii.end(), uint8_t{0});
    const auto length = std::min(static_cast<std::size_t>(end - ascii.begin()), capacity - 1);
    std::copy_n(ascii.begin(), length, text);
    text[length] = '\0';
    return TagOutcome::Text;
}

TagOutcome DecodeXyz(std::span<const uint8_t> head, char* text, std::size_t capacity) {
    if (TagTypeOf(head) != MakeTagSignature("XYZ ")) {
        return TagOutcome::OtherType;
    }
    if (head.size() < kXyzHeader + kXyzNumber) {
        return TagOutcome::TooShort;
    }
    platform::FormatA(text, std::min(capacity, kXyzText), "%f, %f, %f", ReadS15Fixed16(head, kXyzHeader),
                      ReadS15Fixed16(head, kXyzHeader + 4), ReadS15Fixed16(head, kXyzHeader + 8));
    return TagOutcome::Text;
}

} // namespace

bool IsXyzSignature(uint32_t signature) {
    return signature == MakeTagSignature("wtpt") || signature == MakeTagSignature("rXYZ") ||
           signature == MakeTagSignature("gXYZ") || signature == MakeTagSignature("bXYZ");
}

std::size_t TagBytesNeeded(std::size_t capacity) {
    return std::max(kDescHeader + capacity, kXyzHeader + kXyzNumber);
}

uint32_t TagTypeOf(std::span<const uint8_t> head) {
    return head.size() >= kTypeBytes ? ReadBig32(head, 0) : 0;
}

TagOutcome DecodeTagText(uint32_t signature, std::span<const uint8_t> head, uint32_t tagSize, char* text,
                         std::size_t capacity) {
    if (capacity == 0) {
        return TagOutcome::Unread;
    }
    // Bytes beyond the tag's own size are not part of it.
    head = head.first(std::min<std::size_t>(head.size(), tagSize));
    if (head.size() < kTypeBytes) {
        return TagOutcome::TooShort;
    }
    return IsXyzSignature(signature) ? DecodeXyz(head, text, capacity)
                                     : DecodeTextDescription(head, tagSize, text, capacity);
}
