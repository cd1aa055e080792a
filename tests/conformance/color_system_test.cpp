// The colour system's profile reader: opening a profile file, finding and reading its tags.
#include <string>
#include <vector>

#include "conformance/conformance.h"
#include "platform/color_system.h"
#include "platform/text.h"
#include "tools/icc_builder.h"

namespace {

using namespace platform;

class ColorSystemConformance : public conformance::ConformanceTest {
  protected:
    HPROFILE Open(const std::u16string& path) const {
        std::u16string name = path;
        Profile profile{PROFILE_FILENAME, name.data(),
                        static_cast<DWORD>((name.size() + 1) * sizeof(char16_t))};
        return OpenColorProfileW(&profile, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
    }
    void Write(const std::u16string& path, const test::Bytes& bytes) const {
        WriteFile(path, std::string(bytes.begin(), bytes.end()));
    }
};

TEST_F(ColorSystemConformance, ReadsTagsBySizeAndOffset) {
    const test::Bytes tag = test::TextDescTag("abcdef");
    Write(Scratch() + u"\\p.icm", test::IccProfile({{test::Sig("wtpt"), test::XyzTag({0.9642, 1.0, 0.8249})},
                                                    {test::Sig("pngm"), tag}}));
    const HPROFILE profile = Open(platform::UpperAsciiText(Scratch() + u"\\p.icm"));
    ASSERT_NE(profile, nullptr);

    BOOL present = kFalse;
    EXPECT_TRUE(IsColorProfileTagPresent(profile, test::Sig("pngm"), &present));
    EXPECT_TRUE(present);
    EXPECT_TRUE(IsColorProfileTagPresent(profile, test::Sig("pntp"), &present));
    EXPECT_FALSE(present);

    // Without a buffer: the size of the whole tag, whatever the offset, and a failure.
    BOOL reference = kTrue;
    DWORD size = 0;
    EXPECT_FALSE(GetColorProfileElement(profile, test::Sig("pngm"), 5, &size, nullptr, &reference));
    EXPECT_EQ(size, tag.size());

    // The whole tag.
    std::string whole(tag.size(), '\0');
    size = static_cast<DWORD>(whole.size());
    ASSERT_TRUE(GetColorProfileElement(profile, test::Sig("pngm"), 0, &size, whole.data(), &reference));
    EXPECT_EQ(size, tag.size());
    EXPECT_EQ(whole, std::string(tag.begin(), tag.end()));
    EXPECT_FALSE(reference);

    // Part of it, from an offset; a request past the tag's end gets what there is, and one that starts
    // past it fails.
    if (!WineDiffers(
            "GetColorProfileElement page (learn.microsoft.com): dwOffset is where copying begins "
            "and *pcbElement the number of bytes to copy; Wine refuses a buffer shorter than the tag")) {
        char bytes[8] = {};
        size = 4;
        ASSERT_TRUE(GetColorProfileElement(profile, test::Sig("pngm"), 12, &size, bytes, &reference));
        EXPECT_EQ(size, 4u);
        EXPECT_EQ(std::string(bytes, 4), "abcd");
        size = sizeof bytes;
        ASSERT_TRUE(GetColorProfileElement(profile, test::Sig("pngm"), static_cast<DWORD>(tag.size() - 2),
                                           &size, bytes, &reference));
        EXPECT_EQ(size, 2u);
        size = sizeof bytes;
        EXPECT_FALSE(GetColorProfileElement(profile, test::Sig("pngm"), static_cast<DWORD>(tag.size() + 1),
                                            &size, bytes, &reference));
    }
    size = static_cast<DWORD>(whole.size());
    EXPECT_FALSE(GetColorProfileElement(profile, test::Sig("pntp"), 0, &size, whole.data(), &reference));
    EXPECT_TRUE(CloseColorProfile(profile));
}

// The format sets no limit to the number of tags, and Windows documents none (tag counts and indexes are
// DWORDs); a tag that the table names twice is read at its first entry.
TEST_F(ColorSystemConformance, ReadsLongTagTablesAndTheFirstOfARepeatedTag) {
    std::vector<test::IccTag> tags;
    for (uint32_t i = 0; i < 150; ++i) {
        tags.push_back({test::Sig("x000") + i, test::TextDescTag("filler")});
    }
    tags.push_back({test::Sig("pngm"), test::TextDescTag("first")});
    tags.push_back({test::Sig("pngm"), test::TextDescTag("second")});
    Write(Scratch() + u"\\long.icm", test::IccProfile(tags));
    if (WineDiffers("Wine's OpenColorProfileW hands the file to Little CMS (cmsOpenProfileFromMem in "
                    "dlls/mscms/profile.c), which refuses more than 100 tags (MAX_TABLE_TAG) and a "
                    "signature named twice; Wine's own tag lookup (get_adjusted_tag in dlls/mscms/icc.c) "
                    "has no limit and takes the first entry")) {
        return;
    }
    const HPROFILE profile = Open(Scratch() + u"\\long.icm");
    ASSERT_NE(profile, nullptr);
    BOOL present = kFalse;
    EXPECT_TRUE(IsColorProfileTagPresent(profile, test::Sig("x000") + 149, &present));
    EXPECT_TRUE(present);
    const test::Bytes first = test::TextDescTag("first");
    std::string bytes(first.size() + 8, '\0');
    DWORD size = static_cast<DWORD>(bytes.size());
    BOOL reference = kFalse;
    ASSERT_TRUE(GetColorProfileElement(profile, test::Sig("pngm"), 0, &size, bytes.data(), &reference));
    EXPECT_EQ(bytes.substr(0, size), std::string(first.begin(), first.end()));
    EXPECT_TRUE(CloseColorProfile(profile));
}

TEST_F(ColorSystemConformance, OnlyWholeProfileFilesOpen) {
    const test::Bytes whole = test::IccProfile({{test::Sig("pngm"), test::TextDescTag("x")}});
    MakeFolder(Scratch() + u"\\folder.icm");
    WriteFile(Scratch() + u"\\text.icm", "not a profile");
    Write(Scratch() + u"\\cut.icm", test::Bytes(whole.begin(), whole.begin() + 100));
    for (const char16_t* name : {u"\\missing.icm", u"\\folder.icm", u"\\text.icm", u"\\cut.icm"}) {
        EXPECT_EQ(Open(Scratch() + name), nullptr);
    }
}

TEST_F(ColorSystemConformance, OpensAProfileInMemory) {
    test::Bytes bytes = test::IccProfile({{test::Sig("wtpt"), test::XyzTag({0.9642, 1.0, 0.8249})},
                                          {test::Sig("pngm"), test::TextDescTag("abc")}});
    Profile profile{PROFILE_MEMBUFFER, bytes.data(), static_cast<DWORD>(bytes.size())};
    const HPROFILE opened = OpenColorProfileW(&profile, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(opened, nullptr);
    BOOL present = kFalse;
    EXPECT_TRUE(IsColorProfileTagPresent(opened, test::Sig("pngm"), &present));
    EXPECT_TRUE(present);
    EXPECT_TRUE(CloseColorProfile(opened));
    // A buffer shorter than the profile's header is no profile.
    profile.cbDataSize = 64;
    EXPECT_EQ(OpenColorProfileW(&profile, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING), nullptr);
}

} // namespace
