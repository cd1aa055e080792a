#include "app/association.h"

#include <string>

#include "app/run_context.h"
#include "app/staged_files.h"
#include "platform/text.h"
#include "support/profile_support.h"
#include "support/sim_fixture.h"
#include "tools/icc_builder.h"

namespace {

const std::u16string kStaging = kStagingFolderW;
constexpr char16_t kCmdefName[] = u"NX514_8086_AF0610EC_CMDEF.icm";
constexpr char kMonitor[] = "MONITOR\\AUO10EC\\{4d36e96e-e325-11ce-bfc1-08002be10318}\\0001";
constexpr char kFileExist[] = "AssociateColorProfile - file exist:[C:\\ProgramData\\NORVIK\\Quillory\\"
                              "NORVIKOptimization\\Lumisse\\NX514_8086_AF0610EC_CMDEF.icm]";
constexpr char kBefore[] = "AssociateColorProfile - before AssociateColorProfileWithDevice";

class AssociationTest : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        Prepare("{}");
    }
    // Loads the machine and sets the run context as tag export and display discovery leave it.
    void Prepare(const std::string& description,
                 const std::u16string& device = platform::Utf8ToUtf16(kMonitor)) {
        LoadMachine(description);
        ResetContext();
        g_bDebugMode = true;
        platform::WCopy(g_szCmdefName, kContextText, kCmdefName);
        platform::WCopy(g_szCmdefPath, kContextText, (kStaging + kCmdefName).c_str());
        platform::WCopy(g_szMonitorDevice, kContextText, device.c_str());
    }
    // The variant as the run's staging copy leaves it.
    void StageProfile() const {
        test::WriteFile(sim::HostPath(g_szCmdefPath), test::IccProfile({}));
        NoteStagedFile(g_szCmdefPath);
    }
    std::vector<std::string> Calls() const {
        std::vector<std::string> calls;
        for (const sim::Json& record : JournalRecords()) {
            const std::string call = record["call"];
            // The variant's hold (CreateFileW) and the library loads are not the block's colour-system calls.
            if (call != "LoadLibraryW" && call != "CreateFileW") {
                calls.push_back(call + "=" + record["result"].dump());
            }
        }
        return calls;
    }
    std::vector<std::string> Lines() const {
        return test::LinesStartingWith(DebugLines(), "AssociateColorProfile");
    }
};

TEST_F(AssociationTest, MissingVariantMakesNoCall) {
    AssociateColorProfile();
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(Lines(),
              std::vector<std::string>{"AssociateColorProfile - file not exist:[C:\\ProgramData\\NORVIK\\"
                                       "Quillory\\NORVIKOptimization\\Lumisse\\"
                                       "NX514_8086_AF0610EC_CMDEF.icm]"});
}

TEST_F(AssociationTest, InstalledProfileIsAssociatedAtOnce) {
    Prepare(R"({"colorSystem": {"installed": ["nx514_8086_af0610ec_cmdef.icm"]}})");
    StageProfile();
    AssociateColorProfile();
    EXPECT_EQ(Calls(), std::vector<std::string>{"AssociateColorProfileWithDeviceW=1"});
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           kFileExist, kBefore,
                           "AssociateColorProfile - after AssociateColorProfileWithDevice, = 1"}));
    EXPECT_EQ(WcsSetCalibrationManagementStateFunc, nullptr);
}

TEST_F(AssociationTest, FailedInstallationEndsTheBlock) {
    Prepare(R"({"faults": [{"call": "InstallColorProfileW"}]})");
    StageProfile();
    AssociateColorProfile();
    EXPECT_EQ(Calls(),
              (std::vector<std::string>{"AssociateColorProfileWithDeviceW=0", "InstallColorProfileW=0"}));
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{kFileExist, kBefore,
                                        "AssociateColorProfile - after AssociateColorProfileWithDevice, = 0",
                                        "AssociateColorProfile - call InstallColorProfile",
                                        "AssociateColorProfile - InstallColorProfile = 0"}));
}

TEST_F(AssociationTest, InstallationIsFollowedByASecondAssociationAndTheSwitch) {
    StageProfile();
    AssociateColorProfile();
    EXPECT_EQ(Calls(), (std::vector<std::string>{
                           "AssociateColorProfileWithDeviceW=0", "InstallColorProfileW=1",
                           "AssociateColorProfileWithDeviceW=1", "WcsSetCalibrationManagementState=1"}));
    EXPECT_EQ(Lines().size(), 9u);
    EXPECT_EQ(Lines().back(), "AssociateColorProfile - after WcsSetCalibrationManagementState, = 1");
    EXPECT_EQ(JournalRecords("WcsSetCalibrationManagementState")[0]["state"], 1);
    EXPECT_NE(WcsSetCalibrationManagementStateFunc, nullptr);
    EXPECT_TRUE(FileExists(u"C:\\Windows\\System32\\spool\\drivers\\color\\NX514_8086_AF0610EC_CMDEF.icm"));
}

TEST_F(AssociationTest, CalibrationLibraryIsLoadedFromTheSystemDirectoryOnly) {
    WriteFile(u"C:\\Program Files\\NORVIK\\Tintfold\\Mscms.dll", "planted");
    StageProfile();
    AssociateColorProfile();
    const std::vector<sim::Json> loads = JournalRecords("LoadLibraryW");
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_EQ(loads[0]["path"], "C:\\Windows\\System32\\Mscms.dll");
    EXPECT_EQ(loads[0]["result"], 1);
}

TEST_F(AssociationTest, MissingSwitchIsNotCalled) {
    for (const char* description : {R"({"missingLibraries": ["Mscms.dll"]})",
                                    R"({"missingFunctions": ["WcsSetCalibrationManagementState"]})"}) {
        SCOPED_TRACE(description);
        Prepare(description);
        StageProfile();
        AssociateColorProfile();
        EXPECT_TRUE(JournalRecords("WcsSetCalibrationManagementState").empty());
        EXPECT_EQ(WcsSetCalibrationManagementStateFunc, nullptr);
        EXPECT_EQ(Lines().back(), "AssociateColorProfile - after WcsSetCalibrationManagementState, = 0");
    }
}

TEST_F(AssociationTest, CalibrationLibraryPathThatDoesNotFitIsNotLoaded) {
    // The system directory fits its buffer, the library's path would not: a cut path names another file.
    Prepare(R"({"systemDirectory": "C:\\)" + std::string(500, 's') + R"("})");
    StageProfile();
    AssociateColorProfile();
    EXPECT_TRUE(JournalRecords("LoadLibraryW").empty());
    EXPECT_EQ(Lines().back(), "AssociateColorProfile - after WcsSetCalibrationManagementState, = 0");
}

TEST_F(AssociationTest, EmptyMonitorDeviceIsStillPassedOn) {
    Prepare("{}", u"");
    StageProfile();
    AssociateColorProfile();
    const std::vector<sim::Json> associations = JournalRecords("AssociateColorProfileWithDeviceW");
    ASSERT_EQ(associations.size(), 2u);
    EXPECT_EQ(associations[0]["device"], "");
    EXPECT_EQ(associations[1]["result"], 0);
    EXPECT_EQ(JournalRecords("WcsSetCalibrationManagementState").size(), 1u);
}

} // namespace
