// The companion programs run as processes: inspect changes nothing and tells what the tool would
// choose; a capture replayed on a fresh copy of the root gives the run of the machine it was taken on.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>
#include <unistd.h>

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
    int inEffectAfter;   // what the verify mode answers once the tool has run
};

constexpr char kCmdef[] = "NX514_8086_AF0610EC_CMDEF.icm";

// A machine of build 20348 or later with the panel's display lists: the scope in effect and the two scopes'
// lists and defaults. The _CMDEF variant is installed already.
Json Windows11(const char* userScope, Json system, Json user = Json::object()) {
    return {{"colorSystem",
             {{"installed", {kCmdef}},
              {"displays",
               {{"\\\\.\\DISPLAY1", {{"userScope", userScope}, {"system", system}, {"user", user}}}}}}}};
}

Json DefaultIsCmdef() {
    return {{"profiles", {"other.icm", kCmdef}}, {"standardDefault", kCmdef}};
}

// The lid closed: the panel's source is inactive, an external monitor on a second source of the same
// adapter is the primary display and the only active path. (The lists of an inactive display are out of
// the functions' reach, so a capture could not give them back.)
Json LidClosed() {
    Json machine = Windows11("system", Json::object());
    machine["colorSystem"]["displays"] = Json::object();
    Json adapters = sim::DefaultMachine()["display"]["adapters"];
    Json external = adapters[0];
    adapters[0]["StateFlags"] = 0;
    adapters[0]["monitors"][0]["StateFlags"] = 0;
    external["DeviceName"] = "\\\\.\\DISPLAY2";
    external["monitors"][0]["DeviceName"] = "\\\\.\\DISPLAY2\\Monitor0";
    external["monitors"][0]["DeviceID"] = "MONITOR\\DEL4321\\{4d36e96e-e325-11ce-bfc1-08002be10318}\\0002";
    adapters.push_back(external);
    machine["display"] = {{"adapters", adapters},
                          {"paths",
                           {{{"outputTechnology", 10},
                             {"sourceName", "\\\\.\\DISPLAY2"},
                             {"adapterLuid", "0x000000000000D2F1"},
                             {"sourceId", 1}}}}};
    return machine;
}

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
    // A folder of this process's own: other builds' test runs may run the same test at the same time.
    void SetUp() override {
        base_ = fs::temp_directory_path() / (std::string("tintfold_companion_") +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                             "_" + std::to_string(::getpid()));
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

    // The default machine with changes laid over its top-level keys, as a description file.
    fs::path WriteMachine(const Json& changes) const {
        Json description = sim::DefaultMachine();
        description.update(changes);
        const fs::path machine = base_ / "machine.json";
        std::ofstream(machine) << description.dump();
        return machine;
    }

    fs::path base_;
};

TEST_F(CompanionScenario, InspectChangesNothingAndCaptureReplaysTheRun) {
    const Machine machines[] = {
        {"default", Json::object(), "", "NX514_8086_AF0610EC", "edid", 0},
        {"all-in-one", AllInOne(), "--panel 12345678", "NX514_8086_12345678", "acpi", 0},
        {"no profile fits", Json::object(), "--panel 00000001", nullptr, "edid", 1},
        {"second candidate", TwoMonitors(), "", "NX514_8086_AF0610EC", "edid", 0},
        {"switch off, installed",
         {{"registry", Json::object()}, {"colorSystem", {{"installed", {kCmdef}}}}},
         "",
         "NX514_8086_AF0610EC",
         "edid",
         0},
        {"board query fails",
         {{"faults", {{{"call", "ExecQuery"}, {"class", "Win32_BaseBoard"}, {"result", "0x80041003"}}}}},
         "",
         nullptr,
         nullptr,
         1},
        {"Windows 11, the user's own list lacks it",
         Windows11("user", DefaultIsCmdef(), {{"profiles", {"other.icm"}}, {"standardDefault", "other.icm"}}),
         "", "NX514_8086_AF0610EC", "edid", 0},
        {"lid closed", LidClosed(), "", "NX514_8086_AF0610EC", "edid", 1},
    };
    for (const Machine& m : machines) {
        SCOPED_TRACE(m.name);
        SetUp();
        const fs::path machine = WriteMachine(m.changes);
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
                                   "candidates", "tried", "profile", "tags", "cmdefExists", "dataFile",
                                   "panelPath", "displayProfiles", "inEffect", "verdict"}) {
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
        // The replay, before and after the tool's run, answers as the machine does.
        EXPECT_EQ(RunOn(INSPECT_EXE, base_ / "replay", captured, "--json").out, inspected.out);
        const auto verified = [&](const char* root, const fs::path& on) {
            const Outcome verify = RunOn(INSPECT_EXE, base_ / root, on, "--verify");
            return std::to_string(verify.status) + " " + verify.out;
        };
        EXPECT_EQ(verified("replay", captured), verified("inspected", machine));
        const Outcome replayed = RunOn(TINTFOLD_EXE, base_ / "replay", captured);
        EXPECT_EQ(replayed.status, 0);
        EXPECT_EQ(replayed.out, original.out);
        EXPECT_EQ(ReadText(base_ / "replay" / "debugger.log"), ReadText(base_ / "tool" / "debugger.log"));
        EXPECT_EQ(ReadText(base_ / "replay" / "journal.jsonl"), ReadText(base_ / "tool" / "journal.jsonl"));
        EXPECT_EQ(Snapshot(base_ / "replay"), Snapshot(base_ / "tool"));
        const std::string after = verified("tool", machine);
        EXPECT_EQ(after.substr(0, 1), std::to_string(m.inEffectAfter)) << after;
        EXPECT_EQ(verified("replay", captured), after);
    }
}

// What the verify mode says on a machine where the profiles are staged (or not), for each case of the
// colour system's lists.
TEST_F(CompanionScenario, VerifySaysWhatStandsBetweenTheProfileAndThePanel) {
    const char* monitor = "MONITOR\\AUO10EC\\{4d36e96e-e325-11ce-bfc1-08002be10318}\\0001";
    const Json associated = {
        {"colorSystem", {{"installed", {kCmdef}}, {"associations", {{monitor, {kCmdef}}}}}}};
    const struct {
        const char* name;
        Json changes;
        bool staged;
        int status;
        const char* says;
    } cases[] = {
        {"not staged", associated, false, 1,
         "not in effect: NX514_8086_AF0610EC.icm is not staged in C:\\ProgramData\\NORVIK\\"},
        {"not installed", Json::object(), true, 1,
         "not in effect: NX514_8086_AF0610EC_CMDEF.icm is not installed in the colour system"},
        {"legacy lists, associated", associated, true, 0,
         "in effect: NX514_8086_AF0610EC_CMDEF.icm is associated with the monitor MONITOR\\AUO10EC\\"},
        {"legacy lists, not associated",
         {{"colorSystem", {{"installed", {kCmdef}}}}},
         true,
         1,
         "not in effect: NX514_8086_AF0610EC_CMDEF.icm is not associated with the monitor MONITOR\\AUO10EC"},
        {"system-wide default", Windows11("system", DefaultIsCmdef()), true, 0,
         "in effect: NX514_8086_AF0610EC_CMDEF.icm is the default of the built-in display's standard list in "
         "the "
         "system-wide scope"},
        {"the user's own list lacks it",
         Windows11("user", DefaultIsCmdef(), {{"profiles", {"other.icm"}}, {"standardDefault", "other.icm"}}),
         true, 1,
         "in this account's own scope, which is in effect for this account (its default is other.icm); the "
         "system-wide list has it as its default, but this account uses its own list"},
        {"extended list only",
         Windows11("system",
                   {{"profiles", {kCmdef}}, {"standardDefault", "other.icm"}, {"extendedDefault", kCmdef}}),
         true, 1, "(its default is other.icm); it is the default of the extended (HDR) list only"},
        {"lid closed", LidClosed(), true, 1,
         "not in effect: no built-in panel is active (the lid is closed, or the panel is switched off), so "
         "the "
         "tool falls back to the primary adapter and would associate the panel's profile with the monitor on "
         "it, "
         "MONITOR\\DEL4321\\{4d36e96e-e325-11ce-bfc1-08002be10318}\\0002, an external monitor, not the "
         "built-in panel\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        const fs::path machine = WriteMachine(c.changes);
        MakeRoots("", {"root"});
        if (c.staged) {
            for (const auto& profile : fs::directory_iterator(base_ / "root" / kProgramFolder)) {
                fs::copy(profile.path(), base_ / "root" / kStaging);
            }
        }
        const Outcome verify = RunOn(INSPECT_EXE, base_ / "root", machine, "--verify");
        EXPECT_EQ(verify.status, c.status);
        EXPECT_NE(verify.out.find(c.says), std::string::npos) << verify.out;
        EXPECT_EQ(std::count(verify.out.begin(), verify.out.end(), '\n'), 1) << verify.out;
    }
}

TEST_F(CompanionScenario, BadUsageEndsWithTwoBeforeTheMachineIsTouched) {
    const fs::path root = base_ / "root";
    const fs::path machine = base_ / "machine.json";
    std::ofstream(machine) << "{}";
    EXPECT_EQ(RunOn(INSPECT_EXE, root, machine, "--jsno").status, 2);
    EXPECT_EQ(RunOn(INSPECT_EXE, root, machine, "--verify --json").status, 2);
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
