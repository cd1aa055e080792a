// What the sim's files do beyond the shared contract (conformance/files_test.cpp): paths relative to
// the drive, drives the machine lacks, host names and the journal.
#include "platform/files.h"

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

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
        EXPECT_NE(FindClose(search), kFalse);
        EXPECT_EQ(FindClose(search), kFalse);
        return names;
    }
};

using Names = std::vector<std::string>;

TEST_F(SimFilesTest, SearchesOnTheDriveRoot) {
    WriteFile(u"C:\\App\\A.icm", "2");
    WriteFile(u"C:\\top.icm", "5");
    EXPECT_EQ(Search(u"\\*.icm"), (Names{"top.icm"}));
    EXPECT_EQ(Search(u"C:/*"), (Names{"App", "top.icm"}));
    // The sim has no current folder.
    EXPECT_EQ(Search(u"*.icm"), (Names{"<error 3>"}));
}

TEST_F(SimFilesTest, CopyAndFolderCreationAreJournalled) {
    WriteFile(u"C:\\Src\\p.icm", "new");
    WriteFile(u"C:\\Dst\\P.ICM", "old");
    EXPECT_NE(CopyFileW(u"C:\\Src\\p.icm", u"C:\\dst\\p.icm", kFalse), kFalse);
    // The copy writes over the host file of the existing name.
    EXPECT_FALSE(std::filesystem::exists(Root() / "C" / "Dst" / "p.icm"));
    EXPECT_EQ(CopyFileW(u"C:\\Src\\none.icm", u"C:\\Dst\\none.icm", kFalse), kFalse);
    const auto records = JournalRecords("CopyFileW");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].dump(),
              R"({"call":"CopyFileW","from":"C:\\Src\\p.icm","result":1,"to":"C:\\dst\\p.icm"})");
    EXPECT_EQ(records[1]["result"], 0);

    EXPECT_EQ(SHCreateDirectoryExW(nullptr, u"C:\\ProgramData\\Maker\\Staging\\", nullptr), 0);
    EXPECT_EQ(SHCreateDirectoryExW(nullptr, u"Q:\\NoDrive", nullptr), static_cast<int>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(std::filesystem::exists(Root() / "Q"));
    const auto folders = JournalRecords("SHCreateDirectoryExW");
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0]["path"], "C:\\ProgramData\\Maker\\Staging\\");
    EXPECT_EQ(folders[0]["result"], 0);
    EXPECT_EQ(folders[1]["result"], ERROR_PATH_NOT_FOUND);
}

TEST_F(SimFilesTest, CopyKeepsTheHolesOfASparseFile) {
    WriteFile(u"C:\\Src\\big.icm", "head");
    const std::filesystem::path source = sim::HostPath(u"C:\\Src\\big.icm");
    constexpr std::uintmax_t kSize = std::uintmax_t{256} << 20;
    std::filesystem::resize_file(source, kSize);
    std::fstream(source, std::ios::binary | std::ios::in | std::ios::out).seekp(kSize - 4).write("tail", 4);
    MakeFolder(u"C:\\Dst");
    ASSERT_NE(CopyFileW(u"C:\\Src\\big.icm", u"C:\\Dst\\big.icm", kTrue), kFalse);

    const std::filesystem::path copy = sim::HostPath(u"C:\\Dst\\big.icm");
    ASSERT_EQ(std::filesystem::file_size(copy), kSize);
    std::ifstream in(copy, std::ios::binary);
    std::string head(4, '\0');
    std::string tail(4, '\0');
    in.read(head.data(), 4).seekg(kSize - 4).read(tail.data(), 4);
    EXPECT_EQ(head + tail, "headtail");
    struct stat original {};
    struct stat copied {};
    ASSERT_EQ(::stat(source.c_str(), &original), 0);
    ASSERT_EQ(::stat(copy.c_str(), &copied), 0);
    // Where the host's file system keeps the source sparse, the copy is as sparse.
    EXPECT_LE(copied.st_blocks, original.st_blocks + 16);
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

TEST_F(SimFilesTest, PathsOfMaxPathCharactersOrMoreFail) {
    // A file whose full path has 259 characters, and one beside it with 260.
    const std::u16string folder = u"C:\\" + std::u16string(200, u'f') + u"\\";
    const std::u16string fits = folder + std::u16string(55, u'n');
    const std::u16string tooLong = fits + u"n";
    ASSERT_EQ(fits.size(), 259u);
    const std::filesystem::path hostFolder = Root() / "C" / std::string(200, 'f');
    std::filesystem::create_directories(hostFolder);
    for (const std::size_t length : {std::size_t{55}, std::size_t{56}}) {
        std::ofstream(hostFolder / std::string(length, 'n')) << "x";
    }
    EXPECT_EQ(WAccess(fits.c_str(), 0), 0);
    EXPECT_EQ(WAccess(tooLong.c_str(), 0), -1);
    // The full path counts, not the text given.
    EXPECT_EQ(
        WAccess((folder + u"..\\" + std::u16string(200, u'f') + u"\\" + std::u16string(55, u'n')).c_str(), 0),
        0);

    const std::string narrow = Utf16ToUtf8(tooLong);
    EXPECT_EQ(GetFileAttributesA(narrow.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesA((narrow + "n").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), 206u) << "ERROR_FILENAME_EXCED_RANGE";

    EXPECT_EQ(Search((folder + std::u16string(54, u'n') + u"?").c_str()), (Names{std::string(55, 'n')}));
    EXPECT_EQ(Search((folder + std::u16string(55, u'n') + u"?").c_str()), (Names{"<error 3>"}));
    EXPECT_EQ(CopyFileW(fits.c_str(), (folder + u"copy" + std::u16string(52, u'c')).c_str(), kFalse), kFalse);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(CopyFileW(tooLong.c_str(), u"C:\\copy", kFalse), kFalse);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(FileExists(u"C:\\copy"));

    // A folder's path leaves room for an 8.3 name: 247 characters at most.
    const std::u16string deep = u"C:\\" + std::u16string(244, u'd');
    EXPECT_EQ(SHCreateDirectoryExW(nullptr, (deep + u"\\").c_str(), nullptr), 206);
    EXPECT_EQ(SHCreateDirectoryExW(nullptr, deep.c_str(), nullptr), 0);
}

TEST_F(SimFilesTest, ShortNamesMatchSearchesWhereTheMachineHasThem) {
    for (const char16_t* name : {u"C:\\App\\a.icmx", u"C:\\App\\b.icm", u"C:\\App\\Profile Long.icm",
                                 u"C:\\App\\Profile+Longer.icm", u"C:\\App\\readme.text"}) {
        WriteFile(name, "1");
    }
    EXPECT_EQ(Search(u"C:\\App\\*.icm"), (Names{"b.icm", "Profile Long.icm", "Profile+Longer.icm"}));

    LoadMachine(R"({"shortNames": true})");
    EXPECT_EQ(Search(u"C:\\App\\*.icm"),
              (Names{"a.icmx", "b.icm", "Profile Long.icm", "Profile+Longer.icm"}));
    EXPECT_EQ(Search(u"C:\\App\\*~2.*"), (Names{"Profile+Longer.icm"}));
    std::vector<std::string> shortNames;
    Win32FindDataW data{};
    const Handle search = FindFirstFileW(u"C:\\App\\*", &data);
    ASSERT_NE(search, InvalidHandleValue());
    do {
        shortNames.push_back(Utf16ToUtf8(data.cAlternateFileName));
    } while (FindNextFileW(search, &data) != kFalse);
    FindClose(search);
    // ".", "..", then in name order; names that are 8.3 names already have none.
    EXPECT_EQ(shortNames, (Names{"", "", "A~1.ICM", "", "PROFIL~1.ICM", "PROFIL~2.ICM", "README~1.TEX"}));
}

} // namespace
