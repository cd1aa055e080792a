#include "profile/tag_export.h"

#include <filesystem>
#include <string>

#include "app/run_context.h"
#include "support/profile_support.h"
#include "support/sim_fixture.h"
#include "tools/icc_builder.h"

namespace {

const std::u16string kStaging = kStagingFolderW;
const std::u16string kDataFile = kStaging + u"user_my_lu_data.sys";
const std::u16string kProfile = kStaging + u"NX514_8086_AF0610EC.icm";

class GetIcmTagContentTest : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        Reload("{}");
    }
    // Loads the machine with the console user's name query in place, as the run sequence leaves it.
    void Reload(const std::string& description) {
        LoadMachine(description);
        ResetContext();
        test::PrepareForTagExport();
        MakeFolder(kStaging);
    }
    void Stage(const std::u16string& path, std::vector<test::IccTag> tags) const {
        test::WriteFile(sim::HostPath(path), test::IccProfile(tags));
    }
    std::vector<std::string> Traced(const std::string& prefix) const {
        return test::LinesStartingWith(DebugLines(), prefix);
    }
    std::vector<std::string> WrittenKeys() const {
        std::vector<std::string> keys;
        for (const sim::Json& record : JournalRecords("WritePrivateProfileStringW")) {
            keys.push_back(record["key"].get<std::string>() + "=" + record["value"].get<std::string>());
        }
        return keys;
    }
};

TEST_F(GetIcmTagContentTest, WritesTheThreeTagsInOrderAndKeepsTheRestOfTheFile) {
    Stage(kProfile, {{test::Sig("i1tp"), test::TextDescTag("third")},
                     {test::Sig("pngm"), test::TextDescTag("first")},
                     {test::Sig("wtpt"), test::XyzTag({1, 1, 1})}});
    WriteFile(kDataFile, "; kept\r\n[Main]\r\nDebugMessage=0\r\n[ICMTag]\r\nPNTP=stale\r\nOther=1\r\n");
    GetICMTagContent();
    EXPECT_EQ(WrittenKeys(), (std::vector<std::string>{"PNGM=first", "PNTP=", "I1TP=third"}));
    EXPECT_EQ(
        ReadFile(kDataFile),
        "; kept\r\n[Main]\r\nDebugMessage=0\r\n[ICMTag]\r\nPNTP=\r\nOther=1\r\nPNGM=first\r\nI1TP=third\r\n");
    EXPECT_EQ(std::u16string(g_szCmdefName), u"NX514_8086_AF0610EC_CMDEF.icm");
    EXPECT_EQ(std::u16string(g_szCmdefPath), kStaging + u"NX514_8086_AF0610EC_CMDEF.icm");
}

TEST_F(GetIcmTagContentTest, AMachineWithTheUtf8CodePageExportsTheTags) {
    Reload(R"({"ansiCodePage": 65001})");
    Stage(kProfile,
          {{test::Sig("pngm"), test::TextDescTag("keep")}, {test::Sig("i1tp"), test::TextDescTag("D65")}});
    WriteFile(kDataFile, "[ICMTag]\r\nPNGM=old\r\n");
    GetICMTagContent();
    EXPECT_EQ(WrittenKeys(), (std::vector<std::string>{"PNGM=keep", "PNTP=", "I1TP=D65"}));
}

TEST_F(GetIcmTagContentTest, ADataFileThatIsALinkIsNotWritten) {
    g_bDebugMode = true;
    Stage(kProfile, {{test::Sig("pngm"), test::TextDescTag("first")}});
    WriteFile(u"C:\\Windows\\win.ini", "[windows]\r\n");
    const auto dataFile = sim::HostPath(kDataFile);
    std::filesystem::create_symlink(sim::HostPath(u"C:\\Windows\\win.ini"), dataFile);
    GetICMTagContent();
    std::filesystem::remove(dataFile);
    std::filesystem::create_hard_link(sim::HostPath(u"C:\\Windows\\win.ini"), dataFile);
    GetICMTagContent();
    EXPECT_EQ(ReadFile(u"C:\\Windows\\win.ini"), "[windows]\r\n");
    EXPECT_TRUE(WrittenKeys().empty());
    EXPECT_EQ(Traced("ICMTagHandler - ini"),
              (std::vector<std::string>(2, "ICMTagHandler - ini file is a link, no tag written.")));
}

TEST_F(GetIcmTagContentTest, ATagCannotAddLinesToTheDataFile) {
    Stage(kProfile, {{test::Sig("pngm"), test::TextDescTag("Gamut\r\n[Main]\r\nDebugMessage=1")},
                     {test::Sig("pntp"), test::TextDescTag("\nPNTP=x")},
                     {test::Sig("i1tp"), test::TextDescTag("D65\rI1TP=y")}});
    WriteFile(kDataFile, "[Main]\r\nDebugMessage=0\r\n");
    GetICMTagContent();
    EXPECT_EQ(ReadFile(kDataFile),
              "[Main]\r\nDebugMessage=0\r\n[ICMTag]\r\nPNGM=Gamut\r\nPNTP=\r\nI1TP=D65\r\n");
}

TEST_F(GetIcmTagContentTest, MissingDataFileIsNotCreated) {
    g_bDebugMode = true;
    Stage(kProfile, {{test::Sig("pngm"), test::TextDescTag("first")}});
    GetICMTagContent();
    EXPECT_FALSE(FileExists(kDataFile));
    EXPECT_TRUE(WrittenKeys().empty());
    EXPECT_EQ(Traced("ICMTagHandler"), std::vector<std::string>{"ICMTagHandler - ini file not exist."});
    EXPECT_EQ(std::u16string(g_szCmdefName), u"NX514_8086_AF0610EC_CMDEF.icm");
}

TEST_F(GetIcmTagContentTest, MissingProfileWritesNoKey) {
    g_bDebugMode = true;
    WriteFile(kDataFile, "[ICMTag]\r\nPNGM=kept\r\n");
    GetICMTagContent();
    EXPECT_EQ(ReadFile(kDataFile), "[ICMTag]\r\nPNGM=kept\r\n");
    EXPECT_EQ(Traced("GetICMTagContent").size(), 3u);
    EXPECT_EQ(g_pIcmFile, nullptr);
}

TEST_F(GetIcmTagContentTest, AProfilePathOfMaxPathOrMoreIsNotThereAndWritesNoKey) {
    sim::Json description = {{"wmi", sim::DefaultMachine()["wmi"]}};
    const std::string board(188, 'B');
    description["wmi"]["ROOT\\CIMV2"]["Win32_BaseBoard"] = {{{"Product", board}}};
    Reload(description.dump());
    const std::string profileName = board + "_8086_AF0610EC.icm";
    ASSERT_EQ(kStaging.size() + profileName.size(), 264u);
    test::WriteFile(sim::HostPath(kStaging) / profileName,
                    test::IccProfile({{test::Sig("pngm"), test::TextDescTag("x")}}));
    const std::string data = "[ICMTag]\r\nPNGM=keep\r\nPNTP=keep\r\nI1TP=keep\r\n";
    WriteFile(kDataFile, data);
    g_bDebugMode = true;
    GetICMTagContent();
    EXPECT_EQ(ReadFile(kDataFile), data);
    EXPECT_TRUE(WrittenKeys().empty());
    EXPECT_EQ(Traced("GetICMTagContent").size(), 3u);
}

TEST_F(GetIcmTagContentTest, NoBoardProductGivesNamesWithoutABase) {
    Reload(R"({"wmi": {"ROOT\\CIMV2": {"Win32_BaseBoard": []}}})");
    GetICMTagContent();
    EXPECT_EQ(std::u16string(g_szCmdefName), u"_CMDEF.icm");
    EXPECT_EQ(std::u16string(g_szCmdefPath), kStaging + u"_CMDEF.icm");
}

TEST_F(GetIcmTagContentTest, Utf16DataFileIsWrittenInUtf16) {
    Stage(kProfile, {{test::Sig("pngm"), test::TextDescTag("caf\xE9")}});
    const std::string bom = "\xFF\xFE";
    auto utf16 = [](const std::string& ascii) {
        std::string bytes;
        for (const char c : ascii) {
            bytes += c;
            bytes += '\0';
        }
        return bytes;
    };
    WriteFile(kDataFile, bom + utf16("[Main]\r\n"));
    GetICMTagContent();
    EXPECT_EQ(ReadFile(kDataFile), bom + utf16("[Main]\r\n[ICMTag]\r\nPNGM=caf") + std::string("\xE9\0", 2) +
                                       utf16("\r\nPNTP=\r\nI1TP=\r\n"));
}

TEST_F(GetIcmTagContentTest, DebugModePrintsPathsAsText) {
    Reload(R"({"console": {"sessionId": 1, "user": "%s%d"}})");
    g_bDebugMode = true;
    testing::internal::CaptureStdout();
    GetICMTagContent();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(
        out.find("[Tintfold] [ICMTagHandler]\nini: C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\"
                 "Lumisse\\%s%d_my_lu_data.sys\nicm: "),
        std::string::npos)
        << out;
}

} // namespace
