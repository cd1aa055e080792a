#include <string>

#include "platform/color_system.h"
#include "support/icc_builder.h"
#include "support/sim_fixture.h"

namespace {

class SimProfileReaderTest : public SimTest {
  protected:
    platform::HPROFILE Open(std::u16string path) const {
        platform::Profile profile{platform::PROFILE_FILENAME, path.data(),
                                  static_cast<platform::DWORD>((path.size() + 1) * sizeof(char16_t))};
        return platform::OpenColorProfileW(&profile, platform::PROFILE_READ, platform::FILE_SHARE_READ,
                                           platform::OPEN_EXISTING);
    }
};

TEST_F(SimProfileReaderTest, ReadsTagsBySizeAndOffset) {
    const test::Bytes tag = test::TextDescTag("abcdef");
    test::WriteFile(sim::HostPath(u"C:\\p.icm"), test::IccProfile({{test::Sig("pngm"), tag}}));
    const platform::HPROFILE profile = Open(u"c:\\P.ICM");
    ASSERT_NE(profile, nullptr);

    platform::BOOL present = platform::kFalse;
    EXPECT_TRUE(platform::IsColorProfileTagPresent(profile, test::Sig("pngm"), &present));
    EXPECT_TRUE(present);
    EXPECT_TRUE(platform::IsColorProfileTagPresent(profile, test::Sig("pntp"), &present));
    EXPECT_FALSE(present);

    // Without a buffer: the size of the whole tag, and a failure, as Windows reports it.
    platform::BOOL reference = platform::kTrue;
    platform::DWORD size = 0;
    EXPECT_FALSE(platform::GetColorProfileElement(profile, test::Sig("pngm"), 5, &size, nullptr, &reference));
    EXPECT_EQ(size, tag.size());

    char bytes[8] = {};
    size = 4;
    ASSERT_TRUE(platform::GetColorProfileElement(profile, test::Sig("pngm"), 12, &size, bytes, &reference));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::string(bytes, 4), "abcd");
    EXPECT_FALSE(reference);

    // A request past the tag's end gets what there is.
    size = sizeof bytes;
    ASSERT_TRUE(platform::GetColorProfileElement(
        profile, test::Sig("pngm"), static_cast<platform::DWORD>(tag.size() - 2), &size, bytes, &reference));
    EXPECT_EQ(size, 2u);
    size = sizeof bytes;
    EXPECT_FALSE(platform::GetColorProfileElement(
        profile, test::Sig("pngm"), static_cast<platform::DWORD>(tag.size() + 1), &size, bytes, &reference));
    EXPECT_FALSE(platform::GetColorProfileElement(profile, test::Sig("pntp"), 0, &size, bytes, &reference));
    EXPECT_TRUE(platform::CloseColorProfile(profile));
}

TEST_F(SimProfileReaderTest, OnlyProfileFilesOpen) {
    MakeFolder(u"C:\\folder.icm");
    WriteFile(u"C:\\text.icm", "not a profile");
    for (const char16_t* path : {u"C:\\missing.icm", u"C:\\folder.icm", u"C:\\text.icm"}) {
        EXPECT_EQ(Open(path), nullptr);
    }
}

TEST_F(SimProfileReaderTest, OpensAProfileInMemory) {
    test::Bytes bytes = test::IccProfile({{test::Sig("pngm"), test::TextDescTag("abc")}});
    platform::Profile profile{platform::PROFILE_MEMBUFFER, bytes.data(),
                              static_cast<platform::DWORD>(bytes.size())};
    const platform::HPROFILE opened = platform::OpenColorProfileW(
        &profile, platform::PROFILE_READ, platform::FILE_SHARE_READ, platform::OPEN_EXISTING);
    ASSERT_NE(opened, nullptr);
    platform::BOOL present = platform::kFalse;
    EXPECT_TRUE(platform::IsColorProfileTagPresent(opened, test::Sig("pngm"), &present));
    EXPECT_TRUE(present);
    EXPECT_TRUE(platform::CloseColorProfile(opened));
    profile.cbDataSize = 64;
    EXPECT_EQ(platform::OpenColorProfileW(&profile, platform::PROFILE_READ, platform::FILE_SHARE_READ,
                                          platform::OPEN_EXISTING),
              nullptr);
}

} // namespace
