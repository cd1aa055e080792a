// The built tool run as a process: choosing the profile, exporting its tags and associating it, on
// machines that differ in how the panel is found, in the per-user data file and in the colour system.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <sys/wait.h>

#include "platform/sim/description.h"
#include "scenario/scenario_machines.h"
#include "scenario/scenario_run.h"
#include "support/host_files.h"

namespace {

using namespace scenario;

TEST_F(ProfileScenario, ProfileFoundByEdidIsExportedInstalledAndAssociated) {
    MakeProfiles();
    WriteDataFile("[Main]\r\nDebugMessage=0\r\n");
    Run();

    EXPECT_EQ(ReadText(DataFile()), "[Main]\r\nDebugMessage=0\r\n" + kTags);
    // The library search is restricted to the system directory before anything is loaded.
    EXPECT_EQ(Journal().substr(0, Journal().find('\n')),
              R"({"call":"SetDefaultDllDirectories","flags":2048,"result":1})");
    EXPECT_EQ(ColorCalls(Journal()),
              (std::vector<std::string>{"AssociateColorProfileWithDeviceW=0", "InstallColorProfileW=1",
                                        "AssociateColorProfileWithDeviceW=1",
                                        "WcsSetCalibrationManagementState=1"}));
    const Json state = ColorSystem();
    EXPECT_EQ(state["installed"], Json::array({kCmdef}));
    EXPECT_EQ(state["associations"], (Json{{MonitorDevice(), Json::array({kCmdef})}}));
    EXPECT_EQ(state["calibrationManagement"], true);
    EXPECT_TRUE(fs::exists(root_ / "C/Windows/System32/spool/drivers/color" / kCmdef));

    const std::string cmdefPath =
        std::string("C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse\\") + kCmdef;
    EXPECT_EQ(AssociationLines(),
              (std::vector<std::string>{
                  "[Tintfold S] AssociateColorProfile - file exist:[" + cmdefPath + "]",
                  "[Tintfold W] AssociateColorProfile - before AssociateColorProfileWithDevice",
                  "[Tintfold W] AssociateColorProfile - after AssociateColorProfileWithDevice, = 0",
                  "[Tintfold W] AssociateColorProfile - call InstallColorProfile",
                  "[Tintfold W] AssociateColorProfile - InstallColorProfile = 1",
                  "[Tintfold W] AssociateColorProfile - before AssociateColorProfileWithDevice 2",
                  "[Tintfold W] AssociateColorProfile - after AssociateColorProfileWithDevice 2, = 1",
                  "[Tintfold W] AssociateColorProfile - before WcsSetCalibrationManagementState",
                  "[Tintfold W] AssociateColorProfile - after WcsSetCalibrationManagementState, = 1"}));
    EXPECT_NE(DebuggerLog().find("AssociateColorProfile - after WcsSetCalibrationManagementState, = 1\n"),
              std::string::npos);
    EXPECT_NE(
        out_.find("[Tintfold] [ICMTagHandler]\nini: C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\"
                  "Lumisse\\user_my_lu_data.sys\nicm: C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\"
                  "Lumisse\\NX514_8086_AF0610EC.icm\n"),
        std::string::npos)
        << out_;

    // The next run finds the profile installed: its first association succeeds, nothing else follows,
    // and the state does not grow.
    Run();
    EXPECT_EQ(ColorCalls(Journal()), (std::vector<std::string>{"AssociateColorProfileWithDeviceW=1"}));
    EXPECT_EQ(ColorSystem(), state);
    EXPECT_EQ(ReadText(DataFile()), "[Main]\r\nDebugMessage=0\r\n" + kTags);
}

TEST_F(ProfileScenario, PanelCodeOfTheAcpiDeviceOnAnAllInOne) {
    machine_["wmi"]["ROOT\\CIMV2"]["Win32_SystemEnclosure"] = Json::array({{{"ChassisTypes", {13}}}});
    machine_["acpi"] = {{"present", true}, {"reply", "78563412"}};
    MakeProfiles("--panel AF0610EC --panel 12345678 --pngm AllInOne");
    WriteDataFile("");
    Run();
    EXPECT_NE(ReadText(DataFile()).find("PNGM=AllInOne\r\n"), std::string::npos);
    EXPECT_EQ(ColorSystem()["installed"], Json::array({"NX514_8086_12345678_CMDEF.icm"}));
}

TEST_F(ProfileScenario, SecondCandidateChosenWhenTheFirstHasNoProfile) {
    // A second monitor, enumerated first, whose EDID names panel AE0D2211.
    scenario::AddSecondMonitorFirst(machine_["wmi"]);
    MakeProfiles("--pntp second");
    WriteDataFile("[ICMTag]\r\nPNTP=old\r\n");
    Run();
    EXPECT_NE(out_.find("GetIcmFilename - [C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse\\"
                        "NX514_8086_AE0D2211.icm] not exist \n"),
              std::string::npos)
        << out_;
    EXPECT_NE(ReadText(DataFile()).find("PNTP=second\r\n"), std::string::npos);
    EXPECT_EQ(ColorSystem()["installed"], Json::array({kCmdef}));
}

TEST_F(ProfileScenario, NoMatchingProfileExportsAndAssociatesNothing) {
    MakeProfiles("--panel 00000001");
    WriteDataFile("[Main]\r\nDebugMessage=1\r\n");
    Run();
    EXPECT_EQ(ReadText(DataFile()), "[Main]\r\nDebugMessage=1\r\n");
    EXPECT_EQ(LinesWith(out_, {"[Tintfold W] GetICMTagContent - icm file not exist."}).size(), 3u);
    EXPECT_TRUE(ColorCalls(Journal()).empty());
    EXPECT_EQ(AssociationLines(),
              (std::vector<std::string>{
                  "[Tintfold S] AssociateColorProfile - file not exist:[C:\\ProgramData\\NORVIK\\"
                  "Quillory\\NORVIKOptimization\\Lumisse\\NX514_8086_AF0610EC_CMDEF.icm]"}));
}

TEST_F(ProfileScenario, MissingDataFileIsNotCreated) {
    MakeProfiles();
    Run();
    EXPECT_FALSE(fs::exists(DataFile()));
    EXPECT_EQ(LinesWith(out_, {"[Tintfold W] ICMTagHandler - ini file not exist."}).size(), 1u);
    EXPECT_EQ(ColorCalls(Journal()).size(), 4u);
}

TEST_F(ProfileScenario, DataFileThatIsNoRegularFileIsLeftAlone) {
    // A FIFO without a writer, or a link to a device, neither stalls the run nor is written: no key is
    // written and the run goes on to the association.
    MakeProfiles();
    const auto writes = [this] { return JournalRecords(Journal(), "WritePrivateProfileStringW").size(); };
    ASSERT_EQ(::mkfifo(DataFile().c_str(), 0600), 0);
    Run();
    EXPECT_EQ(writes(), 0u);
    fs::remove(DataFile());
    fs::create_symlink("/dev/zero", DataFile());
    Run();
    EXPECT_EQ(writes(), 0u);
    EXPECT_FALSE(ColorCalls(Journal()).empty());
}

TEST_F(ProfileScenario, TagTextInTheMachinesCodePage) {
    // The tag's bytes are text in the machine's ANSI code page: a UTF-16 data file gets the characters
    // they stand for, an ANSI data file the same bytes.
    const struct {
        int codePage;
        const char* tagBytes;
        std::u16string text;
    } cases[] = {
        {1252, "caf\xE9", u"caf\u00E9"},
        {932, "\x93\xFA\x96\x7B\x83\x5C", u"\u65E5\u672C\u30BD"},
        {1250, "\x8A\xE8", u"\u0160\u010D"},
    };
    auto bytes = [](const std::u16string& text) {
        std::string out;
        for (const char16_t unit : text) {
            out.push_back(static_cast<char>(unit & 0xFF));
            out.push_back(static_cast<char>(unit >> 8));
        }
        return out;
    };
    const std::u16string before = u"\uFEFF[Main]\r\nDebugMessage=0\r\n";
    const std::string rest = "\r\nPNTP=IPS 1920x1080\r\nI1TP=D65 gamma 2.2\r\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codePage);
        Reset();
        machine_["ansiCodePage"] = c.codePage;
        MakeProfiles(std::string("--pngm '") + c.tagBytes + "'");
        WriteDataFile(bytes(before));
        Run();
        EXPECT_EQ(ReadText(DataFile()), bytes(before + u"[ICMTag]\r\nPNGM=" + c.text) +
                                            bytes(std::u16string(rest.begin(), rest.end())));
        WriteDataFile("[Main]\r\n");
        Run();
        EXPECT_EQ(ReadText(DataFile()), std::string("[Main]\r\n[ICMTag]\r\nPNGM=") + c.tagBytes + rest);
    }
}

TEST_F(ProfileScenario, AssociationOutcomesOfOtherColourSystems) {
    const struct {
        const char* what;
        Json machine;
        const char* profiles;
        std::vector<std::string> calls;
        std::size_t lines;
    } cases[] = {
        {"installation fails",
         {{"faults", {{{"call", "InstallColorProfileW"}}}}},
         "",
         {"AssociateColorProfileWithDeviceW=0", "InstallColorProfileW=0"},
         5},
        {"second association fails",
         {{"faults", {{{"call", "AssociateColorProfileWithDeviceW"}, {"occurrence", 2}}}}},
         "",
         {"AssociateColorProfileWithDeviceW=0", "InstallColorProfileW=1",
          "AssociateColorProfileWithDeviceW=0", "WcsSetCalibrationManagementState=1"},
         9},
        {"profile installed already",
         {{"colorSystem", {{"installed", {kCmdef}}}}},
         "",
         {"AssociateColorProfileWithDeviceW=1"},
         3},
        {"no variant staged", Json::object(), "--no-cmdef", {}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        machine_.update(c.machine);
        MakeProfiles(c.profiles);
        Run();
        EXPECT_EQ(ColorCalls(Journal()), c.calls);
        EXPECT_EQ(AssociationLines().size(), c.lines);
        EXPECT_EQ(ColorSystem()["calibrationManagement"], c.lines == 9);
    }
}

} // namespace
