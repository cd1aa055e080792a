// INI profile strings and ANSI code-page conversion through the backend, against Wine's own results.
#include <gtest/gtest.h>

#include <string>

#include "platform/code_page.h"
#include "platform/profile_strings.h"

#include "wine_support.h"

#include <windows.h>

namespace {

std::u16string U(const std::wstring& text) {
    return {text.begin(), text.end()};
}

class ProfileStringsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = wine_test::MakeTempFolder();
        file_ = root_ + L"\\root_my_lu_data.sys";
    }
    void TearDown() override { wine_test::RemoveTree(root_); }

    std::wstring root_;
    std::wstring file_;
};

TEST_F(ProfileStringsTest, WrittenKeysJoinTheFileAndKeepTheRest) {
    wine_test::WriteFileBytes(file_, "[Main]\r\nDebugMessage=1\r\n[Other]\r\nKeep=me\r\n");
    const std::u16string path = U(file_);
    ASSERT_TRUE(platform::WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"Panel 1", path.c_str()));
    ASSERT_TRUE(platform::WritePrivateProfileStringW(u"ICMTag", u"PNTP", u"2.2", path.c_str()));
    ASSERT_TRUE(platform::WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"Panel 2", path.c_str()));

    wchar_t value[64] = {};
    GetPrivateProfileStringW(L"ICMTag", L"PNGM", L"", value, 64, file_.c_str());
    EXPECT_STREQ(value, L"Panel 2");
    GetPrivateProfileStringW(L"Other", L"Keep", L"", value, 64, file_.c_str());
    EXPECT_STREQ(value, L"me");
    const std::string bytes = wine_test::ReadFileBytes(file_);
    EXPECT_EQ(bytes.find("[Main]\r\nDebugMessage=1\r\n[Other]\r\nKeep=me\r\n"), 0u) << bytes;
    EXPECT_NE(bytes.find("PNGM=Panel 2"), std::string::npos);
    EXPECT_EQ(bytes.find("Panel 1"), std::string::npos);
}

TEST_F(ProfileStringsTest, IntegerReadsWithItsDefault) {
    wine_test::WriteFileBytes(file_, "[main]\r\ndebugmessage=65537\r\nText=abc\r\n");
    const std::u16string path = U(file_);
    // Section and key names match without regard to case.
    EXPECT_EQ(platform::GetPrivateProfileIntW(u"Main", u"DebugMessage", 0, path.c_str()), 65537u);
    EXPECT_EQ(platform::GetPrivateProfileIntW(u"Main", u"Text", 0, path.c_str()), 0u);
    EXPECT_EQ(platform::GetPrivateProfileIntW(u"Main", u"Absent", 7, path.c_str()), 7u);
    EXPECT_EQ(
        platform::GetPrivateProfileIntW(u"Main", u"DebugMessage", 0, U(root_ + L"\\absent.sys").c_str()), 0u);
}

TEST_F(ProfileStringsTest, WritingToAMissingFolderFails) {
    EXPECT_FALSE(platform::WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"x",
                                                      U(root_ + L"\\absent\\data.sys").c_str()));
}

TEST(CodePageTest, AnsiTextRoundTripsThroughUtf16) {
    const char* ansi = "Panel abc 123";
    const int needed = platform::MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
    ASSERT_EQ(needed, 14);
    char16_t wide[32] = {};
    ASSERT_EQ(platform::MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, 32), needed);
    EXPECT_EQ(std::u16string(wide), u"Panel abc 123");

    char back[32] = {};
    ASSERT_EQ(platform::WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, wide, -1, back, 32, nullptr, nullptr),
              14);
    EXPECT_STREQ(back, ansi);

    // Too small a destination.
    char16_t small[4] = {};
    EXPECT_EQ(platform::MultiByteToWideChar(CP_ACP, 0, ansi, -1, small, 4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(CodePageTest, MissingCharacterBecomesTheDefaultCharacter) {
    // A character the code page lacks becomes the default character, and says so.
    BOOL usedDefault = FALSE;
    char out[8] = {};
    platform::WideCharToMultiByte(CP_ACP, 0, u"\u4E2D", -1, out, 8, nullptr, &usedDefault);
    EXPECT_TRUE(usedDefault);
}

} // namespace
