#include <filesystem>
#include <string>

#include "app/run_context.h"
#include "app/run_sequence.h"
#include "support/capture.h"
#include "support/sim_fixture.h"

namespace {

constexpr char16_t kStaged[] = u"C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse\\";

class RunSequenceTest : public SimTest {
  protected:
    // Runs the sequence, keeping its exit code and standard output.
    void Run() {
        output = CaptureStdout([this] { exitCode = RunSequence(); });
    }

    std::u16string Staged(const char16_t* name) const { return std::u16string(kStaged) + name; }

    // A host symbolic link at link (whose folder exists) to target: a junction or a symbolic link.
    static void Link(std::u16string_view link, std::u16string_view target) {
        std::filesystem::create_symlink(sim::HostPath(target), sim::HostPath(link));
    }

    int exitCode = -1;
    std::string output;
};

TEST_F(RunSequenceTest, EchoesEveryArgumentAndTracesEachStepInDebugMode) {
    LoadMachine(R"({"program": "C:\\Tools\\100%d\\tintfold.exe"})", {"first", "with blank", "%s"});
    Run();
    EXPECT_EQ(exitCode, 0);
    // Tag export and association print their own lines after their step lines.
    const std::string expected = "0: C:\\Tools\\100%d\\tintfold.exe\n"
                                 "1: first\n"
                                 "2: with blank\n"
                                 "3: %s\n"
                                 "[Tintfold W] WTSQuerySessionInformationFunc is not NULL\n"
                                 "[Tintfold W] EnumDisplayDevicesFunc is not NULL\n"
                                 "[Tintfold W] DisplayConfigGetDeviceInfoFunc is not NULL\n"
                                 "[Tintfold W] GetDisplayConfigBufferSizesFunc is not NULL\n"
                                 "[Tintfold W] QueryDisplayConfigFunc is not NULL\n"
                                 "[Tintfold W] Copy files....\n"
                                 "[Tintfold W] ICM tag....\n";
    EXPECT_TRUE(output.starts_with(expected)) << output;
    EXPECT_NE(output.find("[Tintfold W] Associate....\n", expected.size()), std::string::npos);
    EXPECT_EQ(DebugLines()[0], "WTSQuerySessionInformationFunc is not NULL");
    const std::vector<sim::Json> journal = JournalRecords();
    ASSERT_GE(journal.size(), 4u);
    EXPECT_EQ(journal[0]["path"], "C:\\Windows\\System32\\Wtsapi32.dll");
    EXPECT_EQ(journal[1]["path"], "C:\\Windows\\System32\\User32.dll");
    EXPECT_EQ(JournalRecords("CoInitializeEx").size(), 1u);
    EXPECT_EQ(journal.back()["call"], "CoUninitialize");
}

TEST_F(RunSequenceTest, SplitsAGivenCommandLineAsWindowsDoes) {
    LoadMachine(R"({"registry": {}, "commandLine": "\"C:\\My Tools\\t.exe\" a\\\\\"b c\" \"d\"\"e\" f\\g"})");
    Run();
    // Two quotes inside quotes give one quote and end the quoted part; the quote after e opens another,
    // so the blank before f belongs to the argument.
    EXPECT_EQ(output, "0: C:\\My Tools\\t.exe\n1: a\\b c\n2: d\"e f\\g\n");
}

TEST_F(RunSequenceTest, UnsplittableCommandLineEndsTheRunBeforeAnythingElse) {
    WriteFile(u"C:\\Program Files\\NORVIK\\Tintfold\\a.icm", "profile");
    LoadMachine(R"({"faults": [{"call": "CommandLineToArgvW"}]})");
    Run();
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(output, "CommandLineToArgvW failed\n");
    EXPECT_TRUE(JournalRecords().empty());
    EXPECT_FALSE(FileExists(Staged(u"a.icm")));
}

TEST_F(RunSequenceTest, MissingLibraryEndsTheRunWithMinusEleven) {
    struct Case {
        const char* machine;
        const char* lastLine;
        std::size_t loads;
    };
    const Case cases[] = {
        {R"({"missingLibraries": ["Wtsapi32.dll"]})", "[Tintfold W] m_hModule is NULL, error: 0x0000007E\n",
         1},
        {R"({"missingLibraries": ["User32.dll"]})",
         "[Tintfold W] m_hModuleUser32 is NULL, error: 0x0000007E\n", 2},
        {R"({"systemDirectory": null})", "[Tintfold W] m_hModule is NULL, error: 0x0000007E\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.machine);
        LoadMachine(c.machine);
        ResetContext();
        Run();
        EXPECT_EQ(exitCode, -11);
        EXPECT_TRUE(output.ends_with(c.lastLine)) << output;
        EXPECT_EQ(JournalRecords("LoadLibraryW").size(), c.loads);
        EXPECT_TRUE(JournalRecords("SHCreateDirectoryExW").empty());
        EXPECT_TRUE(JournalRecords("CoInitializeEx").empty());
    }
}

TEST_F(RunSequenceTest, WithTheSwitchesOffAFailedLoadPrintsOnlyTheArguments) {
    LoadMachine(R"({"registry": {}, "missingLibraries": ["User32.dll"]})");
    Run();
    EXPECT_EQ(exitCode, -11);
    EXPECT_EQ(output, "0: C:\\Program Files\\NORVIK\\Tintfold\\tintfold.exe\n");
    EXPECT_TRUE(DebugLines().empty());
}

TEST_F(RunSequenceTest, MissingFunctionsAreReportedAfterAllFourLookupsAndTheRunGoesOn) {
    LoadMachine(
        R"({"missingFunctions": ["EnumDisplayDevicesW", "QueryDisplayConfig", "WTSQuerySessionInformationW"]})");
    Run();
    EXPECT_EQ(exitCode, 0);
    EXPECT_NE(output.find("[Tintfold W] WTSQuerySessionInformationFunc is NULL, error: 0x0000007F\n"
                          "[Tintfold W] EnumDisplayDevicesFunc is NULL, error: 0x0000007F\n"
                          "[Tintfold W] DisplayConfigGetDeviceInfoFunc is not NULL\n"
                          "[Tintfold W] GetDisplayConfigBufferSizesFunc is not NULL\n"
                          "[Tintfold W] QueryDisplayConfigFunc is NULL, error: 0x0000007F\n"),
              std::string::npos)
        << output;
    EXPECT_EQ(EnumDisplayDevicesFunc, nullptr);
    EXPECT_EQ(WTSQuerySessionInformationFunc, nullptr);
    EXPECT_NE(GetDisplayConfigBufferSizesFunc, nullptr);
}

TEST_F(RunSequenceTest, StagesEveryProfileBesideTheProgramAndNothingElse) {
    WriteFile(u"C:\\Program Files\\NORVIK\\Tintfold\\one.icm", "new one");
    WriteFile(u"C:\\Program Files\\NORVIK\\Tintfold\\TWO.ICM", "two");
    WriteFile(u"C:\\Program Files\\NORVIK\\Tintfold\\notes.txt", "text");
    WriteFile(u"C:\\Program Files\\NORVIK\\Tintfold\\sub\\deep.icm", "deep");
    MakeFolder(u"C:\\Program Files\\NORVIK\\Tintfold\\folder.icm");
    WriteFile(Staged(u"one.icm"), "old one");
    WriteFile(Staged(u"keep.icm"), "kept");
    LoadMachine("{}");
    Run();
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(ReadFile(Staged(u"one.icm")), "new one");
    EXPECT_EQ(ReadFile(Staged(u"TWO.ICM")), "two");
    EXPECT_EQ(ReadFile(Staged(u"keep.icm")), "kept");
    EXPECT_FALSE(FileExists(Staged(u"notes.txt")));
    EXPECT_FALSE(FileExists(Staged(u"deep.icm")));
    EXPECT_FALSE(FileExists(Staged(u"folder.icm")));
    // The folder entry is handed to the copy like a file, and that copy fails.
    std::size_t failedCopies = 0;
    for (const sim::Json& copy : JournalRecords("CopyFileW")) {
        // The program folder ends in a separator and the copy adds one: the file system takes both.
        EXPECT_TRUE(copy["from"].get<std::string>().starts_with("C:\\Program Files\\NORVIK\\Tintfold\\\\"));
        failedCopies += copy["result"] == 0 ? 1u : 0u;
    }
    EXPECT_EQ(JournalRecords("CopyFileW").size(), 3u);
    EXPECT_EQ(failedCopies, 1u);
    // The folder existed already, so it was not created again.
    EXPECT_TRUE(JournalRecords("SHCreateDirectoryExW").empty());
}

TEST_F(RunSequenceTest, AStagingFolderReachedThroughALinkIsLeftAlone) {
    WriteFile(u"C:\\Program Files\\NORVIK\\Tintfold\\one.icm", "one");
    MakeFolder(u"C:\\Elsewhere");
    // The staging folder itself a junction, then one of its parents.
    for (const char16_t* link :
         {u"C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse", u"C:\\ProgramData\\NORVIK"}) {
        std::filesystem::remove_all(sim::HostPath(u"C:\\ProgramData\\NORVIK"));
        MakeFolder(u"C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization");
        std::filesystem::remove_all(sim::HostPath(link));
        Link(link, u"C:\\Elsewhere");
        LoadMachine("{}"); // debug mode on
        Run();
        EXPECT_EQ(exitCode, 0);
        EXPECT_TRUE(std::filesystem::is_empty(sim::HostPath(u"C:\\Elsewhere")));
        EXPECT_TRUE(JournalRecords("SHCreateDirectoryExW").empty());
        EXPECT_TRUE(JournalRecords("CopyFileW").empty());
        EXPECT_NE(
            output.find(
                "a folder on its path is a link or cannot be checked, the staging folder is left alone"),
            std::string::npos);
        EXPECT_EQ(output.find("ICM tag...."), std::string::npos) << "no tag export";
    }
}

TEST_F(RunSequenceTest, StagedLinksAreReplacedByPlainCopiesAndTheirTargetsKept) {
    WriteFile(u"C:\\Program Files\\NORVIK\\Tintfold\\a.icm", "profile a");
    WriteFile(u"C:\\Program Files\\NORVIK\\Tintfold\\b.icm", "profile b");
    WriteFile(u"C:\\Windows\\System32\\drivers\\etc\\hosts", "hosts");
    WriteFile(u"C:\\Windows\\win.ini", "[windows]");
    MakeFolder(kStaged);
    Link(Staged(u"a.icm"), u"C:\\Windows\\System32\\drivers\\etc\\hosts");
    std::filesystem::create_hard_link(sim::HostPath(u"C:\\Windows\\win.ini"),
                                      sim::HostPath(Staged(u"b.icm")));
    LoadMachine("{}");
    Run();
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(ReadFile(u"C:\\Windows\\System32\\drivers\\etc\\hosts"), "hosts");
    EXPECT_EQ(ReadFile(u"C:\\Windows\\win.ini"), "[windows]");
    EXPECT_EQ(ReadFile(Staged(u"a.icm")), "profile a");
    EXPECT_EQ(ReadFile(Staged(u"b.icm")), "profile b");
    EXPECT_FALSE(std::filesystem::is_symlink(sim::HostPath(Staged(u"a.icm"))));
    EXPECT_EQ(std::filesystem::hard_link_count(sim::HostPath(Staged(u"b.icm"))), 1u);
    const auto copies = JournalRecords("CopyFileW");
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0]["result"], 1);
    EXPECT_EQ(copies[1]["result"], 1);

    // A plain staged file is replaced in place, through the checked handle.
    WriteFile(u"C:\\Program Files\\NORVIK\\Tintfold\\a.icm", "newer");
    LoadMachine("{}");
    Run();
    EXPECT_EQ(ReadFile(Staged(u"a.icm")), "newer");
    EXPECT_TRUE(JournalRecords("DeleteFileW").empty());
}

TEST_F(RunSequenceTest, CreatesTheMissingStagingFolderWithItsParents) {
    WriteFile(u"C:\\Program Files\\NORVIK\\Tintfold\\one.icm", "one");
    LoadMachine("{}");
    Run();
    ASSERT_EQ(JournalRecords("SHCreateDirectoryExW").size(), 1u);
    EXPECT_EQ(JournalRecords("SHCreateDirectoryExW")[0]["path"],
              "C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse\\");
    EXPECT_EQ(ReadFile(Staged(u"one.icm")), "one");
}

TEST_F(RunSequenceTest, PlainFileInPlaceOfTheStagingFolderFailsSilently) {
    WriteFile(u"C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse", "a file");
    WriteFile(u"C:\\Program Files\\NORVIK\\Tintfold\\one.icm", "one");
    LoadMachine(R"({"registry": {}})");
    Run();
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(output, "0: C:\\Program Files\\NORVIK\\Tintfold\\tintfold.exe\n");
    EXPECT_EQ(ReadFile(u"C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse"), "a file");
    // The staged file cannot be created there: nothing is copied.
    EXPECT_TRUE(JournalRecords("CopyFileW").empty());
}

TEST_F(RunSequenceTest, FailedModulePathIsReportedAndProfilesComeFromTheDriveRoot) {
    WriteFile(u"C:\\root.icm", "root");
    LoadMachine(R"({"program": null, "commandLine": "tintfold.exe"})");
    Run();
    EXPECT_EQ(exitCode, 0);
    const std::vector<std::string> lines = DebugLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[5],
              "[Tintfold]InitInstance -> GetModuleFileName failed error: 2 - The system cannot find the "
              "file specified.\r");
    EXPECT_EQ(output.find("InitInstance"), std::string::npos);
    EXPECT_EQ(ReadFile(Staged(u"root.icm")), "root");
    EXPECT_EQ(JournalRecords("CopyFileW")[0]["from"], "\\root.icm");
}

TEST_F(RunSequenceTest, OverlongProgramFolderLeavesTheProgramFolderEmpty) {
    const std::string folder(300, 'f');
    WriteFile(u"C:\\root.icm", "root");
    LoadMachine(R"({"program": "C:\\)" + folder + R"(\\tintfold.exe", "registry": {}})");
    Run();
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(ReadFile(Staged(u"root.icm")), "root");
    EXPECT_TRUE(DebugLines().empty());
}

} // namespace
