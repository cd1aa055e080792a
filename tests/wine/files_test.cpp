// Files and folders through the backend, checked against what Wine's file system then holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "app/plain_file.h"
#include "platform/files.h"
#include "platform/profile_strings.h"

#include "wine_support.h"

#include <windows.h>

namespace {

std::u16string U(const std::wstring& text) {
    return {text.begin(), text.end()};
}

std::string Narrow(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, bytes.data(), length, nullptr, nullptr);
    bytes.resize(static_cast<std::size_t>(length - 1));
    return bytes;
}

class FilesTest : public ::testing::Test {
  protected:
    void SetUp() override { root_ = wine_test::MakeTempFolder(); }
    void TearDown() override { wine_test::RemoveTree(root_); }

    std::wstring root_;
};

TEST_F(FilesTest, CreatesAFolderWithItsMissingParents) {
    const std::wstring deep = root_ + L"\\a\\b\\c\\";
    EXPECT_EQ(platform::SHCreateDirectoryExW(nullptr, U(deep).c_str(), nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(GetFileAttributesW((root_ + L"\\a\\b\\c").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(platform::SHCreateDirectoryExW(nullptr, U(deep).c_str(), nullptr), ERROR_ALREADY_EXISTS);

    const platform::DWORD attributes = platform::GetFileAttributesA(Narrow(root_ + L"\\a\\b\\c").c_str());
    EXPECT_EQ(attributes, GetFileAttributesW((root_ + L"\\a\\b\\c").c_str()));
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(platform::GetFileAttributesA(Narrow(root_ + L"\\absent").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FilesTest, FolderCreationFailsWhereAFileStands) {
    wine_test::WriteFileBytes(root_ + L"\\plain", "x");
    const int result = platform::SHCreateDirectoryExW(nullptr, U(root_ + L"\\plain\\sub").c_str(), nullptr);
    EXPECT_NE(result, ERROR_SUCCESS);
    EXPECT_FALSE(wine_test::Exists(root_ + L"\\plain\\sub"));
}

TEST_F(FilesTest, SearchFindsTheMatchingNamesOnly) {
    wine_test::WriteFileBytes(root_ + L"\\one.icm", "1");
    wine_test::WriteFileBytes(root_ + L"\\two.icm", "2");
    wine_test::WriteFileBytes(root_ + L"\\other.txt", "3");
    CreateDirectoryW((root_ + L"\\sub").c_str(), nullptr);
    wine_test::WriteFileBytes(root_ + L"\\sub\\three.icm", "4");

    // The doubled separator is what the staging copy builds from a folder that ends in one.
    const std::u16string pattern = U(root_ + L"\\\\*.icm");
    platform::Win32FindDataW data{};
    const platform::Handle search = platform::FindFirstFileW(pattern.c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::set<std::u16string> names;
    do {
        names.insert(data.cFileName);
        EXPECT_EQ(data.nFileSizeLow, 1u);
    } while (platform::FindNextFileW(search, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(platform::FindClose(search));
    EXPECT_EQ(names, (std::set<std::u16string>{u"one.icm", u"two.icm"}));

    EXPECT_EQ(platform::FindFirstFileW(U(root_ + L"\\*.none").c_str(), &data), INVALID_HANDLE_VALUE);
}

TEST_F(FilesTest, CopyReplacesOrKeepsAnExistingFile) {
    const std::wstring source = root_ + L"\\source.icm";
    const std::wstring target = root_ + L"\\target.icm";
    wine_test::WriteFileBytes(source, "new bytes");
    wine_test::WriteFileBytes(target, "old");

    EXPECT_FALSE(platform::CopyFileW(U(source).c_str(), U(target).c_str(), TRUE));
    EXPECT_EQ(wine_test::ReadFileBytes(target), "old");
    EXPECT_TRUE(platform::CopyFileW(U(source).c_str(), U(target).c_str(), FALSE));
    EXPECT_EQ(wine_test::ReadFileBytes(target), "new bytes");

    // A folder is no file to copy.
    EXPECT_FALSE(platform::CopyFileW(U(root_).c_str(), U(root_ + L"\\folder.icm").c_str(), FALSE));
    EXPECT_FALSE(wine_test::Exists(root_ + L"\\folder.icm"));
}

TEST_F(FilesTest, AccessTestsExistenceOfFilesAndFolders) {
    wine_test::WriteFileBytes(root_ + L"\\present.icm", "x");
    EXPECT_EQ(platform::WAccess(U(root_ + L"\\present.icm").c_str(), 0), 0);
    EXPECT_EQ(platform::WAccess(U(root_).c_str(), 0), 0);
    EXPECT_EQ(platform::WAccess(U(root_ + L"\\absent.icm").c_str(), 0), -1);
    EXPECT_EQ(platform::WAccess(u"", 0), -1);
}

TEST_F(FilesTest, APlainFileIsHeldInPlaceWhileWrittenAndAHardLinkIsRefused) {
    const std::wstring file = root_ + L"\\data.ini";
    const std::wstring source = root_ + L"\\source.icm";
    wine_test::WriteFileBytes(file, "[Main]\r\n");
    wine_test::WriteFileBytes(source, "profile");
    bool linked = true;
    const platform::Handle held = OpenPlainFile(U(file).c_str(), GENERIC_WRITE, OPEN_EXISTING, linked);
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
    EXPECT_EQ(OpenPlainFile(U(link).c_str(), GENERIC_WRITE, OPEN_EXISTING, linked),
              platform::InvalidHandleValue());
    EXPECT_TRUE(linked);

    HeldFolders folders{};
    EXPECT_TRUE(HoldRealFolders(U(root_).c_str(), folders));
    EXPECT_GE(folders.count, 2u);
    EXPECT_FALSE(MoveFileW(root_.c_str(), (root_ + L"-moved").c_str()));
    ReleaseFolders(folders);
}

} // namespace
