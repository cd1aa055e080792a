#include "profile/icc_tag.h"

#include <filesystem>
#include <string>

#include "app/run_context.h"
#include "platform/text.h"
#include "support/sim_fixture.h"
#include "tools/icc_builder.h"

namespace {

constexpr std::size_t kText = 512;
constexpr char16_t kFirst[] = u"C:\\p\\first.icm";
constexpr char16_t kSecond[] = u"C:\\p\\second.icm";

class ParserIccTagTest : public SimTest {
  protected:
    void Put(std::u16string_view path, const test::Bytes& bytes) const {
        test::WriteFile(sim::HostPath(path), bytes);
    }
    void PutTexts(std::u16string_view path, const std::string& pngm, const std::string& pntp) const {
        Put(path, test::IccProfile({{test::Sig("pngm"), test::TextDescTag(pngm)},
                                    {test::Sig("pntp"), test::TextDescTag(pntp)},
                                    {test::Sig("wtpt"), test::XyzTag({0.9642, 1, 0.8249})}}));
    }
    // The text of one call, or "<none>" when the call gave none and left the buffer as it was.
    std::u16string Read(const char16_t* path, const char (&tag)[5]) const {
        char16_t text[kText];
        platform::WCopy(text, kText, u"untouched");
        const int result = ParserICCTag(path, text, kText, MakeTagSignature(tag));
        if (result == 0) {
            EXPECT_EQ(std::u16string(text), u"untouched");
            return u"<none>";
        }
        return text;
    }
};

TEST_F(ParserIccTagTest, FirstOpenedProfileServesEveryCall) {
    PutTexts(kFirst, "one", "two");
    PutTexts(kSecond, "other", "other");
    EXPECT_EQ(Read(kFirst, "pngm"), u"one");
    const platform::HPROFILE opened = g_pIcmFile;
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(Read(kSecond, "pntp"), u"two");
    EXPECT_EQ(Read(kSecond, "wtpt"), u"0.964203, 1.000000, 0.824905");
    EXPECT_EQ(Read(kSecond, "i1tp"), u"<none>");
    EXPECT_EQ(g_pIcmFile, opened);
    // The file stays open: its tags are read through the open profile even once it is gone.
    std::filesystem::remove(sim::HostPath(kFirst));
    EXPECT_EQ(Read(kSecond, "pngm"), u"one");
}

TEST_F(ParserIccTagTest, FailedOpenIsRetriedWithTheNextPath) {
    PutTexts(kSecond, "second", "x");
    EXPECT_EQ(Read(kFirst, "pngm"), u"<none>");
    EXPECT_EQ(g_pIcmFile, nullptr);
    Put(kFirst, {'n', 'o', 't'});
    EXPECT_EQ(Read(kFirst, "pngm"), u"<none>");
    EXPECT_EQ(g_pIcmFile, nullptr);
    EXPECT_EQ(Read(kSecond, "pngm"), u"second");
}

TEST_F(ParserIccTagTest, TextIsReadInTheAnsiCodePage) {
    PutTexts(kFirst, "caf\xE9 \x80", "");
    EXPECT_EQ(Read(kFirst, "pngm"), u"caf\u00E9 \u20AC");
    EXPECT_EQ(Read(kFirst, "pntp"), u"");
}

TEST_F(ParserIccTagTest, PathOutsideTheAnsiCodePageIsNotOpened) {
    constexpr char16_t kHan[] = u"C:\\p\\\u4E00.icm";
    PutTexts(kHan, "han", "x");
    EXPECT_EQ(Read(kHan, "pngm"), u"<none>");
    EXPECT_EQ(g_pIcmFile, nullptr);
}

TEST_F(ParserIccTagTest, LongTextIsCutToTheBuffer) {
    PutTexts(kFirst, std::string(3000, 'x'), "x");
    EXPECT_EQ(Read(kFirst, "pngm"), std::u16string(kText - 1, u'x'));
}

TEST_F(ParserIccTagTest, BrokenProfilesGiveNoText) {
    const test::Bytes good = test::IccProfile({{test::Sig("pngm"), test::TextDescTag("abc")}});
    const auto withTag = [](std::optional<uint32_t> offset, std::optional<uint32_t> size) {
        return test::IccProfile({{test::Sig("pngm"), test::TextDescTag("abc"), offset, size}});
    };
    const struct {
        const char* what;
        test::Bytes bytes;
    } cases[] = {
        {"empty file", {}},
        {"cut inside the header", test::Bytes(good.begin(), good.begin() + 100)},
        {"cut inside the tag table", test::Bytes(good.begin(), good.begin() + 136)},
        {"cut inside the tag", test::Bytes(good.begin(), good.begin() + 150)},
        {"tag past the end", withTag(0x10000, std::nullopt)},
        {"tag of size 0", withTag(std::nullopt, 0)},
        {"tag of size 4 GB", withTag(std::nullopt, 0xFFFFFFFFu)},
        {"offset and size wrapping around", withTag(0xFFFFFFF0u, 0x20)},
        {"tag inside the header", withTag(0, std::nullopt)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetContext();
        Put(kFirst, c.bytes);
        EXPECT_EQ(Read(kFirst, "pngm"), u"<none>");
    }
}

} // namespace
