// What the sim's files do beyond the shared contract (conformance/files_test.cpp): paths relative to
// the drive, drives the machine lacks, host names and the journal.
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

} // namespace
