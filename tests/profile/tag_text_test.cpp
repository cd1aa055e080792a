#include "profile/tag_text.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "tools/icc_builder.h"

namespace {

constexpr std::size_t kCapacity = 512;

// The text of a tag read whole, or "<none>" when it gives none (and left the buffer untouched).
std::string Decode(uint32_t signature, const test::Bytes& tag, std::size_t capacity = kCapacity) {
    std::string text(capacity + 1, '#');
    if (DecodeTagText(signature, tag, static_cast<uint32_t>(tag.size()), text.data(), capacity) !=
        TagOutcome::Text) {
        EXPECT_EQ(text, std::string(capacity + 1, '#'));
        return "<none>";
    }
    EXPECT_EQ(text[capacity], '#') << "wrote past the capacity";
    return text.c_str();
}

TEST(TagText, TextDescriptionGivesItsAsciiPart) {
    EXPECT_EQ(Decode(test::Sig("pngm"), test::TextDescTag("abc")), "abc");
    EXPECT_EQ(Decode(test::Sig("i1tp"), test::TextDescTag("\xE9t\xE9")), "\xE9t\xE9");
    // A stored count larger than the text: the text ends at its terminator.
    EXPECT_EQ(Decode(test::Sig("pntp"), test::TextDescTag("ab", 10)), "ab");
    // A count that leaves the terminator out: the text ends at the count.
    EXPECT_EQ(Decode(test::Sig("pntp"), test::TextDescTag("abcdef", 3)), "abc");
}

// Why a tag read whole gives no text (Text when it gives some).
TagOutcome Outcome(uint32_t signature, const test::Bytes& tag) {
    char text[kCapacity];
    return DecodeTagText(signature, tag, static_cast<uint32_t>(tag.size()), text, kCapacity);
}

TEST(TagText, TextDescriptionWithoutUsableTextGivesNone) {
    EXPECT_EQ(Decode(test::Sig("pngm"), test::TextDescTag("", 0)), "<none>");
    EXPECT_EQ(Outcome(test::Sig("pngm"), test::TextDescTag("", 0)), TagOutcome::NoAscii);
    test::Bytes tag = test::TextDescTag("abc");
    EXPECT_EQ(Outcome(test::Sig("pngm"), test::TextDescTag("abc", static_cast<uint32_t>(tag.size()) - 11)),
              TagOutcome::AsciiPastTag);
    EXPECT_EQ(Outcome(test::Sig("pngm"), test::TextDescTag("abc", 0xFFFFFFFFu)), TagOutcome::AsciiPastTag);
    tag.resize(11);
    EXPECT_EQ(Outcome(test::Sig("pngm"), tag), TagOutcome::TooShort);
    EXPECT_EQ(Outcome(test::Sig("pngm"), {'d', 'e', 's'}), TagOutcome::TooShort);
    EXPECT_EQ(Decode(test::Sig("pngm"), {}), "<none>");
}

TEST(TagText, TypeMustMatchTheSignature) {
    EXPECT_EQ(Decode(test::Sig("pngm"), test::XyzTag({1, 0.5, 0})), "<none>");
    EXPECT_EQ(Outcome(test::Sig("pngm"), test::XyzTag({1, 0.5, 0})), TagOutcome::OtherType);
    EXPECT_EQ(Decode(test::Sig("wtpt"), test::TextDescTag("abc")), "<none>");
    EXPECT_FALSE(IsXyzSignature(test::Sig("pngm")));
    EXPECT_TRUE(IsXyzSignature(test::Sig("bXYZ")));
}

TEST(TagText, XyzGivesTheFirstNumber) {
    EXPECT_EQ(Decode(test::Sig("wtpt"), test::XyzTag({1, 0.5, 0})), "1.000000, 0.500000, 0.000000");
    EXPECT_EQ(Decode(test::Sig("rXYZ"), test::XyzTag({-2, 0.25, 32767, 9, 9, 9})),
              "-2.000000, 0.250000, 32767.000000");
    EXPECT_EQ(Outcome(test::Sig("gXYZ"), test::XyzTag({})), TagOutcome::TooShort);
    EXPECT_EQ(Decode(test::Sig("gXYZ"), test::XyzTag({1, 2})), "<none>");
}

TEST(TagText, TextIsCutToTheCapacity) {
    const std::string longText(5000, 'x');
    EXPECT_EQ(Decode(test::Sig("pngm"), test::TextDescTag(longText)), std::string(kCapacity - 1, 'x'));
    EXPECT_EQ(Decode(test::Sig("wtpt"), test::XyzTag({1, 0.5, 0}), 5), "1.00");
    EXPECT_EQ(Decode(test::Sig("pngm"), test::TextDescTag("abc"), 1), "");
    // Only the head of a long tag is needed for the longest text that fits.
    const test::Bytes tag = test::TextDescTag(longText);
    const test::Bytes head(tag.begin(), tag.begin() + static_cast<long>(TagBytesNeeded(kCapacity)));
    std::string text(kCapacity, '#');
    ASSERT_EQ(
        DecodeTagText(test::Sig("pngm"), head, static_cast<uint32_t>(tag.size()), text.data(), kCapacity),
        TagOutcome::Text);
    EXPECT_EQ(std::strlen(text.c_str()), kCapacity - 1);
}

TEST(TagText, HeadLongerThanTheTagIsNotRead) {
    const test::Bytes tag = test::TextDescTag("abcdef");
    std::string text(kCapacity, '#');
    // The tag is said to end inside its text: the count runs past it.
    EXPECT_EQ(DecodeTagText(test::Sig("pngm"), tag, 14, text.data(), kCapacity), TagOutcome::AsciiPastTag);
}

} // namespace
