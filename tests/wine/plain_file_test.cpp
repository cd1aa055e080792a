// Plain files held in place while written, checked against what Wine's file system then holds.
#include <gtest/gtest.h>

#include <string>

#include "app/plain_file.h"
#include "platform/files.h"
#include "platform/profile_strings.h"

#include "wine_support.h"

#include <windows.h>

namespace {

using wine_test::U;

class PlainFileTest : public ::testing::Test {
  protected:
    void SetUp() override { root_ = wine_test::MakeTempFolder(); }
    void TearDown() override { wine_test::RemoveTree(root_); }

    std::wstring root_;
};

TEST_F(PlainFileTest, APlainFileIsHeldInPlaceWhileWrittenAndAHardLinkIsRefused) {
    const std::wstring file = root_ + L"\\data.ini";
    const std::wstring source = root_ + L"\\source.icm";
    wine_test::WriteFileBytes(file, "[Main]\r\n");
    wine_test::WriteFileBytes(source, "profile");
    bool linked = true;
    const platform::Handle held =
        OpenPlainFile(U(file).c_str(), GENERIC_WRITE, kKeepInPlace, OPEN_EXISTING, linked);
    ASSERT_NE(held, platform::InvalidHandleValue());
    EXPECT_FALSE(linked);
    // Held, the name can be neither deleted nor renamed, while the profile strings still write it.
    EXPECT_FALSE(DeleteFileW(file.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(MoveFileW(file.c_str(), (root_ + L"\\moved.ini").c_str()));
    EXPECT_TRUE(platform::WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"x", U(file).c_str()));
    EXPECT_NE(wine_test::ReadFileBytes(file).find("PNGM=x"), std::string::npos);
    EXPECT_TRUE(platform::CopyFileToHandle(U(source).c_str(), held, U(file).c_str()));
    platform::CloseHandle(held);
    EXPECT_EQ(wine_test::ReadFileBytes(file), "profile");

    const std::wstring link = root_ + L"\\link.ini";
    ASSERT_TRUE(CreateHardLinkW(link.c_str(), file.c_str(), nullptr));
    EXPECT_EQ(OpenPlainFile(U(link).c_str(), GENERIC_WRITE, kKeepInPlace, OPEN_EXISTING, linked),
              platform::InvalidHandleValue());
    EXPECT_TRUE(linked);

    HeldFolders folders{};
    EXPECT_TRUE(HoldRealFolders(U(root_).c_str(), folders));
    EXPECT_GE(folders.count, 2u);
    EXPECT_FALSE(MoveFileW(root_.c_str(), (root_ + L"-moved").c_str()));
    ReleaseFolders(folders);
}

} // namespace
