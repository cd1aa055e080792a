// The companion programs run as processes: inspect changes nothing and tells what the tool would
// choose; a capture replayed on a fresh copy of the root gives the run of the machine it was taken on.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include "platform/sim/description.h"
#include "scenario/scenario_machines.h"
#include "support/host_files.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

const char kProgramFolder[] = "C/Program Files/NORVIK/Tintfold";
const char kStaging[] = "C/ProgramData/NORVIK/Quillory/NORVIKOptimization/Lumisse";

struct Outcome {
    int status = -1;
    std::string out;
};

// Runs a program on a root and a machine description; standard error is dropped.
Outcome RunOn(const std::string& program, const fs::path& root, const fs::path& machine,
              const std::string& args = "") {
    const std::string command = "TINTFOLD_ROOT=" + Quoted(root) + " TINTFOLD_MACHINE=" + Quoted(machine) +
                                " " + program + " " + args + " 2>/dev/null";
    Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return outcome;
    }
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        outcome.out.append(chunk, n);
    }
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

// Every file of the root with its content, but for the two records each run starts afresh.
// What a root holds, the run's records aside. security.json is compared without the file identities it
// keeps, which are the host's inode numbers and differ from root to root.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(entry.path(), root).string();
        if (name == "security.json") {
            Json security = Json::parse(ReadText(entry.path()));
            for (auto& [path, file] : security["files"].items()) {
                file.erase("identity");
            }
            files[name] = security.dump();
        } else if (name != "debugger.log" && name != "journal.jsonl") {
            files[name] = entry.is_regular_file() ? ReadText(entry.path()) : "<folder>";
        }
    }
    return files;
}

struct Machine {
    const char* name;
    Json changes;
    const char* profiles;
    const char* profile; // what inspect must report, or null
    const char* source;  // the first candidate's source
};

Json AllInOne() {
    return {{"wmi",
             {{"ROOT\\CIMV2",
               {{"Win32_BaseBoard", {{{"Product", "NX514"}}}},
                {"Win32_SystemEnclosure", {{{"ChassisTypes", {13}}}}}}},
              {"ROOT\\WMI", sim::DefaultMachine()["wmi"]["ROOT\\WMI"]}}},
            {"acpi", {{"present", true}, {"reply", "78563412"}}}};
}

// A second monitor, enumerated first, whose EDID names panel AE0D2211.
Json TwoMonitors() {
    Json wmi = sim::DefaultMachine()["wmi"];
    scenario::AddSecondMonitorFirst(wmi);
    return {{"wmi", wmi}};
}

class CompanionScenario : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ = fs::temp_directory_path() / (std::string("tintfold_companion_") +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base_);
        fs::create_directories(base_);
    }
    void TearDown() override {
        if (!HasFailure()) {
            fs::remove_all(base_);
        }
    }

    // A root with profiles beside the program and the user's data file, copied into each named root.
    void MakeRoots(const std::string& profiles, std::initializer_list<const char*> names) {
        const fs::path first = base_ / "template";
        fs::create_directories(first / kProgramFolder);
        fs::create_directories(first / kStaging);
        const std::string command = std::string(MAKE_PROFILES_EXE) + " --folder " +
                                    Quoted(first / kProgramFolder) + " " + profiles + " >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::ofstream(first / kStaging / "user_my_lu_data.sys", std::ios::binary)
            << "[Main]\r\nDebugMessage=1\r\n";
        for (const char* name : names) {
            fs::copy(first, base_ / name, fs::copy_options::recursive);
        }
    }

    fs::path base_;
};

TEST_F(CompanionScenario, InspectChangesNothingAndCaptureReplaysTheRun) {
    const Machine machines[] = {
        {"default", Json::object(), "", "NX514_8086_AF0610EC", "edid"},
        {"all-in-one", AllInOne(), "--panel 12345678", "NX514_8086_12345678", "acpi"},
        {"no profile fits", Json::object(), "--panel 00000001", nullptr, "edid"},
        {"second candidate", TwoMonitors(), "", "NX514_8086_AF0610EC", "edid"},
        {"switch off, installed",
         {{"registry", Json::object()}, {"colorSystem", {{"installed", {"NX514_8086_AF0610EC_CMDEF.icm"}}}}},
         "",
         "NX514_8086_AF0610EC",
         "edid"},
        {"board query fails",
         {{"faults", {{{"call", "ExecQuery"}, {"class", "Win32_BaseBoard"}, {"result", "0x80041003"}}}}},
         "",
         nullptr,
         nullptr},
    };
    for (const Machine& m : machines) {
        SCOPED_TRACE(m.name);
        SetUp();
        Json description = sim::DefaultMachine();
        description.update(m.changes);
        const fs::path machine = base_ / "machine.json";
        std::ofstream(machine) << description.dump();
        MakeRoots(m.profiles, {"tool", "inspected", "replay"});

        const Outcome original = RunOn(TINTFOLD_EXE, base_ / "tool", machine);
        ASSERT_EQ(original.status, 0);

        const auto before = Snapshot(base_ / "inspected");
        const Outcome inspected = RunOn(INSPECT_EXE, base_ / "inspected", machine, "--json");
        EXPECT_EQ(Snapshot(base_ / "inspected"), before);
        EXPECT_FALSE(fs::exists(base_ / "inspected" / "color-system.json"));
        EXPECT_EQ(inspected.status, m.profile != nullptr ? 0 : 1);
        const Json report = Json::parse(inspected.out);
        for (const char* member : {"boardProduct", "chassisType", "adapter", "vendorId", "monitorDevice",
                                   "candidates", "tried", "profile", "tags", "cmdefExists", "dataFile"}) {
            EXPECT_TRUE(report.contains(member)) << member;
        }
        EXPECT_EQ(report["profile"], m.profile != nullptr ? Json(m.profile) : Json());
        if (m.source != nullptr) {
            EXPECT_EQ(report["candidates"][0]["source"], m.source);
        }
        if (m.profile != nullptr) {
            EXPECT_EQ(report["tried"].back(),
                      (Json{{"file", std::string(m.profile) + ".icm"}, {"exists", true}}));
            EXPECT_EQ(report["tags"]["PNGM"], "Gamut 100% sRGB");
        }

        const fs::path captured = base_ / "captured.json";
        ASSERT_EQ(RunOn(CAPTURE_EXE, base_ / "inspected", machine, "--output " + Quoted(captured)).status, 0);
        EXPECT_EQ(Snapshot(base_ / "inspected"), before);
        const Outcome replayed = RunOn(TINTFOLD_EXE, base_ / "replay", captured);
        EXPECT_EQ(replayed.status, 0);
        EXPECT_EQ(replayed.out, original.out);
        EXPECT_EQ(ReadText(base_ / "replay" / "debugger.log"), ReadText(base_ / "tool" / "debugger.log"));
        EXPECT_EQ(ReadText(base_ / "replay" / "journal.jsonl"), ReadText(base_ / "tool" / "journal.jsonl"));
        EXPECT_EQ(Snapshot(base_ / "replay"), Snapshot(base_ / "tool"));
    }
}

TEST_F(CompanionScenario, BadUsageEndsWithTwoBeforeTheMachineIsTouched) {
    const fs::path root = base_ / "root";
    const fs::path machine = base_ / "machine.json";
    std::ofstream(machine) << "{}";
    EXPECT_EQ(RunOn(INSPECT_EXE, root, machine, "--jsno").status, 2);
    EXPECT_EQ(RunOn(CAPTURE_EXE, root, machine, "--output").status, 2);
    EXPECT_EQ(RunOn(CAPTURE_EXE, root, machine, "extra").status, 2);
    EXPECT_FALSE(fs::exists(root));
    // A capture written as standard output is the same description as one written to a file.
    const Outcome printed = RunOn(CAPTURE_EXE, root, machine, "--anonymous");
    ASSERT_EQ(printed.status, 0);
    const Json description = Json::parse(printed.out);
    EXPECT_FALSE(description.contains("commandLine"));
    EXPECT_EQ(description["console"]["user"], "user");
}

} // namespace
