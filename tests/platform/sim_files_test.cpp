#include <filesystem>

#include "platform/files.h"
#include "platform/text.h"
#include "support/sim_fixture.h"

namespace {

using namespace platform;

class SimFilesTest : public SimTest {
  protected:
    // The names a search lists, or {"<error N>"} when it finds nothing.
    std::vector<std::string> Search(const char16_t* pattern) {
        Win32FindDataW data{};
        const Handle search = FindFirstFileW(pattern, &data);
        if (search == InvalidHandleValue()) {
            return {"<error " + std::to_string(GetLastError()) + ">"};
        }
        std::vector<std::string> names;
        do {
            names.push_back(Utf16ToUtf8(data.cFileName));
        } while (FindNextFileW(search, &data) != kFalse);
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        EXPECT_NE(FindClose(search), kFalse);
        EXPECT_EQ(FindClose(search), kFalse);
        return names;
    }
};

using Names = std::vector<std::string>;

TEST_F(SimFilesTest, SearchMatchesWildcardsIgnoringCase) {
    WriteFile(u"C:\\App\\b.ICM", "1");
    WriteFile(u"C:\\App\\A.icm", "2");
    WriteFile(u"C:\\App\\c.icm.bak", "3");
    WriteFile(u"C:\\App\\sub\\d.icm", "4");
    WriteFile(u"C:\\App\\_x.icm", "5");
    MakeFolder(u"C:\\App\\folder.icm");
    // Listed in the order of the upper-cased names, as NTFS lists them ("_" after the letters).
    EXPECT_EQ(Search(u"C:\\app\\\\*.icm"), (Names{"A.icm", "b.ICM", "folder.icm", "_x.icm"}));
    EXPECT_EQ(Search(u"C:/APP/?.icm"), (Names{"A.icm", "b.ICM"}));
    EXPECT_EQ(Search(u"C:\\App\\*"),
              (Names{".", "..", "A.icm", "b.ICM", "c.icm.bak", "folder.icm", "sub", "_x.icm"}));
    EXPECT_EQ(Search(u"C:\\App\\sub\\*.*"), (Names{".", "..", "d.icm"}));
    WriteFile(u"C:\\top.icm", "5");
    EXPECT_EQ(Search(u"\\*.icm"), (Names{"top.icm"}));
    EXPECT_EQ(Search(u"C:\\*"), (Names{"App", "top.icm"}));
    EXPECT_EQ(Search(u"C:\\App\\*.txt"), (Names{"<error 2>"}));
    EXPECT_EQ(Search(u"C:\\Nowhere\\*.icm"), (Names{"<error 3>"}));
    EXPECT_EQ(Search(u"*.icm"), (Names{"<error 3>"}));

    Win32FindDataW data{};
    const Handle search = FindFirstFileW(u"C:\\App\\a.ICM", &data);
    ASSERT_NE(search, InvalidHandleValue());
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(data.nFileSizeLow, 1u);
    FindClose(search);
}

TEST_F(SimFilesTest, CopyReplacesAndFailsAsTheSystemDoes) {
    WriteFile(u"C:\\Src\\p.icm", "new");
    WriteFile(u"C:\\Dst\\P.ICM", "old");
    MakeFolder(u"C:\\Src\\folder.icm");
    EXPECT_EQ(CopyFileW(u"C:\\Src\\p.icm", u"C:\\dst\\p.icm", kTrue), kFalse);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(ReadFile(u"C:\\Dst\\P.ICM"), "old");
    EXPECT_NE(CopyFileW(u"C:\\Src\\p.icm", u"C:\\dst\\p.icm", kFalse), kFalse);
    EXPECT_EQ(ReadFile(u"C:\\Dst\\P.ICM"), "new");
    EXPECT_FALSE(std::filesystem::exists(Root() / "C" / "Dst" / "p.icm") &&
                 !std::filesystem::exists(Root() / "C" / "Dst" / "P.ICM"));

    EXPECT_EQ(CopyFileW(u"C:\\Src\\folder.icm", u"C:\\Dst\\folder.icm", kFalse), kFalse);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(CopyFileW(u"C:\\Src\\p.icm", u"C:\\Missing\\p.icm", kFalse), kFalse);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(CopyFileW(u"C:\\Src\\none.icm", u"C:\\Dst\\none.icm", kFalse), kFalse);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(FileExists(u"C:\\Dst\\folder.icm"));

    const auto records = JournalRecords("CopyFileW");
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[1].dump(),
              R"({"call":"CopyFileW","from":"C:\\Src\\p.icm","result":1,"to":"C:\\dst\\p.icm"})");
    EXPECT_EQ(records[2]["result"], 0);
}

TEST_F(SimFilesTest, FolderCreationWithParentsAndBlockingFiles) {
    const char16_t* staging = u"C:\\ProgramData\\Maker\\Staging\\";
    EXPECT_EQ(GetFileAttributesA("C:\\ProgramData\\Maker\\Staging"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(SHCreateDirectoryExW(nullptr, staging, nullptr), 0);
    EXPECT_EQ(GetFileAttributesA("c:\\programdata\\maker\\staging"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(SHCreateDirectoryExW(nullptr, staging, nullptr), static_cast<int>(ERROR_ALREADY_EXISTS));

    WriteFile(u"C:\\Blocked", "file");
    EXPECT_EQ(GetFileAttributesA("C:\\Blocked") & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(SHCreateDirectoryExW(nullptr, u"C:\\Blocked", nullptr), static_cast<int>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(SHCreateDirectoryExW(nullptr, u"C:\\Blocked\\Below", nullptr),
              static_cast<int>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(SHCreateDirectoryExW(nullptr, u"Q:\\NoDrive", nullptr), static_cast<int>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(std::filesystem::exists(Root() / "Q"));

    const auto records = JournalRecords("SHCreateDirectoryExW");
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0]["path"], "C:\\ProgramData\\Maker\\Staging\\");
    EXPECT_EQ(records[0]["result"], 0);
    EXPECT_EQ(WAccess(u"C:\\BLOCKED", 0), 0);
    EXPECT_EQ(WAccess(u"C:\\Blocked\\x", 0), -1);
}

TEST_F(SimFilesTest, HostLinksAreReparsePointsAndHeldNamesStayInPlace) {
    WriteFile(u"C:\\Data\\file.txt", "data");
    MakeFolder(u"C:\\Data\\folder");
    const auto host = [](const char16_t* path) { return sim::HostPath(path); };
    std::filesystem::create_symlink(host(u"C:\\Data\\folder"), host(u"C:\\Data") / "junction");
    std::filesystem::create_symlink(host(u"C:\\Data\\file.txt"), host(u"C:\\Data") / "symlink");
    std::filesystem::create_hard_link(host(u"C:\\Data\\file.txt"), host(u"C:\\Data") / "hardlink");
    LoadMachine("{}");
    EXPECT_EQ(GetFileAttributesA("C:\\Data\\junction"),
              FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesA("C:\\Data\\symlink"), FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE);

    // Opened without following, the link itself; followed, the file with its two names.
    ByHandleFileInformation info{};
    Handle link = CreateFileW(u"C:\\Data\\symlink", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    ASSERT_TRUE(GetFileInformationByHandle(link, &info));
    EXPECT_EQ(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT, FILE_ATTRIBUTE_REPARSE_POINT);
    CloseHandle(link);
    EXPECT_EQ(CreateFileW(u"C:\\Data\\junction", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OPEN_REPARSE_POINT, nullptr),
              InvalidHandleValue())
        << "a folder opens only with backup semantics";
    const Handle file = CreateFileW(u"C:\\Data\\symlink", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(GetFileInformationByHandle(file, &info));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(info.nNumberOfLinks, 2u);

    // Held without FILE_SHARE_DELETE, no name of the file can be deleted; the link itself can.
    EXPECT_FALSE(DeleteFileW(u"C:\\Data\\hardlink"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(DeleteFileW(u"C:\\Data\\symlink"));
    EXPECT_EQ(CreateFileW(u"C:\\Data\\file.txt", GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                          nullptr),
              InvalidHandleValue());
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    CloseHandle(file);
    EXPECT_TRUE(DeleteFileW(u"C:\\Data\\hardlink"));
    EXPECT_EQ(ReadFile(u"C:\\Data\\file.txt"), "data");
}

} // namespace
