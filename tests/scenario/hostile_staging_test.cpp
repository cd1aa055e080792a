// The built tool run as a process on machines where another user prepared C:\ProgramData before it: links
// that point at nothing, folders and files of another owner, a data file made a link in place, reparse
// points that are no links, and a copy that fails part-way.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "scenario/scenario_run.h"
#include "support/host_files.h"

namespace {

using namespace scenario;

constexpr char kProfile[] = "NX514_8086_AF0610EC.icm";
constexpr char kStagingWindows[] = "C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse\\";

// A file or folder of another user's: owned by alice, who keeps full control of it and leaves the
// Administrators only the rights given.
Json OwnedByAlice(const Json& administrators) {
    Json list = Json::array({{{"allow", "alice"}, {"rights", "full"}, {"inherit", {"object", "container"}}}});
    if (!administrators.is_null()) {
        list.push_back(
            {{"allow", "Administrators"}, {"rights", administrators}, {"inherit", {"object", "container"}}});
    }
    return {{"owner", "alice"}, {"acl", list}};
}

class HostileStaging : public ProfileScenario {
  protected:
    fs::path ColorFolder() const { return root_ / "C/Windows/System32/spool/drivers/color"; }
    std::string Staged(const char* name) const { return kStagingWindows + std::string(name); }
};

TEST_F(HostileStaging, ALinkToNothingThatCannotBeOpenedIsReplacedNotFollowed) {
    MakeProfiles();
    WriteDataFile("");
    // Named like a staged profile, pointing outside the staging folder at nothing, and denying the
    // Administrators write access to the link itself.
    fs::create_directories(root_ / "C/Windows");
    fs::create_symlink(root_ / "C/Windows/planted.icm", Staging() / kProfile);
    machine_["files"] = {
        {Staged(kProfile),
         {{"owner", "alice"},
          {"acl",
           {{{"deny", "Administrators"}, {"rights", "write"}}, {{"allow", "alice"}, {"rights", "full"}}}}}}};
    Run();
    EXPECT_FALSE(fs::exists(root_ / "C/Windows/planted.icm"));
    EXPECT_FALSE(fs::is_symlink(Staging() / kProfile));
    EXPECT_EQ(ReadText(Staging() / kProfile), ReadText(ProgramFolder() / kProfile));
    EXPECT_EQ(ReadText(DataFile()), kTags);
    EXPECT_NE(out_.find("replaced by a plain copy"), std::string::npos) << out_;
}

TEST_F(HostileStaging, AFolderOfAnotherOwnerIsTakenBackOrLeftAlone) {
    MakeProfiles();
    WriteDataFile("");
    // Created by alice before the tool's first run; the Administrators' full control is inherited from
    // C:\ProgramData, so the run can take the folder back.
    machine_["files"] = {{"C:\\ProgramData\\NORVIK", OwnedByAlice("full")}};
    Run();
    const std::vector<Json> set = JournalRecords(Journal(), "SetSecurityInfo");
    ASSERT_EQ(set.size(), 1u) << Journal();
    EXPECT_EQ(set[0]["result"], 0);
    EXPECT_NE(out_.find("C:\\ProgramData\\NORVIK is owned by another account, taken back"), std::string::npos)
        << out_;
    EXPECT_EQ(ReadText(DataFile()), kTags);
    EXPECT_TRUE(fs::exists(ColorFolder() / kCmdef));

    // Alice has left the Administrators only reading: the folder stays hers, and nothing is written.
    Reset();
    MakeProfiles();
    WriteDataFile("");
    machine_["files"] = {{"C:\\ProgramData\\NORVIK", OwnedByAlice("readExecute")}};
    Run();
    EXPECT_NE(out_.find("Staging folder left alone: C:\\ProgramData\\NORVIK is owned by another account and "
                        "cannot be taken back"),
              std::string::npos)
        << out_;
    EXPECT_FALSE(fs::exists(Staging() / kProfile));
    EXPECT_EQ(ReadText(DataFile()), "");
    EXPECT_TRUE(ColorCalls(Journal()).empty());
}

TEST_F(HostileStaging, APlantedVariantIsReplacedOrNeverInstalled) {
    // A valid profile of alice's under the variant's name.
    const auto plant = [this](const Json& file) {
        MakeProfiles();
        const fs::path planted = root_ / "planted";
        fs::create_directories(planted);
        ASSERT_EQ(std::system((std::string(MAKE_PROFILES_EXE) + " --folder " + Quoted(planted) +
                               " --pngm planted >/dev/null")
                                  .c_str()),
                  0);
        fs::copy_file(planted / kCmdef, Staging() / kCmdef);
        machine_["files"] = {{Staged(kCmdef), file}};
    };
    // It denies the Administrators write access: the folder's full control still lets the run delete it.
    plant({{"owner", "alice"},
           {"acl",
            {{{"deny", "Administrators"}, {"rights", "write"}}, {{"allow", "alice"}, {"rights", "full"}}}}});
    Run();
    EXPECT_EQ(ReadText(ColorFolder() / kCmdef), ReadText(ProgramFolder() / kCmdef));
    EXPECT_NE(out_.find("is not the tool's, replaced by a plain copy"), std::string::npos) << out_;

    // Held open by another process without sharing, it cannot be deleted: it stays, and nothing of it is
    // installed.
    Reset();
    plant({{"owner", "alice"}, {"locked", true}});
    Run();
    EXPECT_FALSE(fs::exists(ColorFolder() / kCmdef));
    EXPECT_TRUE(ColorCalls(Journal()).empty());
    EXPECT_NE(out_.find("AssociateColorProfile - file not staged by this run"), std::string::npos) << out_;
}

TEST_F(HostileStaging, ADataFileMadeALinkWhileHeldIsNotWrittenThrough) {
    MakeProfiles();
    WriteDataFile("[Main]\r\n");
    fs::create_directories(root_ / "C/Windows");
    std::ofstream(root_ / "C/Windows/win.ini", std::ios::binary) << "[windows]\r\n";
    // Its owner sets a reparse point on the held data file right after the first write.
    machine_["events"] = {{{"after", "WritePrivateProfileStringW"},
                           {"occurrence", 1},
                           {"link", {{"path", Staged(kDataFile)}, {"target", "C:\\Windows\\win.ini"}}}}};
    Run();
    EXPECT_EQ(ReadText(root_ / "C/Windows/win.ini"), "[windows]\r\n");
    EXPECT_EQ(JournalRecords(Journal(), "WritePrivateProfileStringW").size(), 1u);
    EXPECT_NE(out_.find("ini file was changed into another file"), std::string::npos) << out_;
}

TEST_F(HostileStaging, ReparsePointsThatAreNoLinksAreUsed) {
    MakeProfiles();
    WriteDataFile("[Main]\r\n");
    // A data file compressed by the image (WOF) and a staging parent that is a cloud placeholder folder.
    machine_["files"] = {{Staged(kDataFile), {{"reparseTag", "0x80000017"}}},
                         {"C:\\ProgramData\\NORVIK", {{"reparseTag", "0x9000701A"}}}};
    Run();
    EXPECT_EQ(ReadText(DataFile()), "[Main]\r\n" + kTags);
    EXPECT_TRUE(fs::exists(ColorFolder() / kCmdef));
}

TEST_F(HostileStaging, ACopyThatFailsPartWayLeavesNoProfile) {
    MakeProfiles();
    WriteDataFile("");
    // The run's own copies of an older, longer package, which this run overwrites through their handles.
    for (const char* name : {kProfile, kCmdef}) {
        std::ofstream(Staging() / name, std::ios::binary)
            << ReadText(ProgramFolder() / name) << std::string(4096, 'x');
    }
    machine_["faults"] = {{{"call", "CopyFileToHandle"}, {"result", 112}}};
    Run();
    EXPECT_FALSE(fs::exists(Staging() / kProfile));
    EXPECT_FALSE(fs::exists(Staging() / kCmdef));
    EXPECT_EQ(ReadText(DataFile()), "");
    EXPECT_FALSE(fs::exists(ColorFolder() / kCmdef));
}

} // namespace
