// A fresh root with the program and staging folders, the built tool run on it as a process, and what the
// run left behind: the fixture of the scenario tests of profile choice, export and association.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/sim/description.h"
#include "support/host_files.h"

namespace scenario {

namespace fs = std::filesystem;
using Json = nlohmann::json;

inline constexpr char kCmdef[] = "NX514_8086_AF0610EC_CMDEF.icm";
inline constexpr char kDataFile[] = "user_my_lu_data.sys";
inline const std::string kTags =
    "[ICMTag]\r\nPNGM=Gamut 100% sRGB\r\nPNTP=IPS 1920x1080\r\nI1TP=D65 gamma 2.2\r\n";

// The journal records of one call, in order.
inline std::vector<Json> JournalRecords(const std::string& journal, const std::string& call) {
    std::vector<Json> records;
    std::istringstream lines(journal);
    for (std::string line; std::getline(lines, line);) {
        Json record = Json::parse(line);
        if (record["call"] == call) {
            records.push_back(std::move(record));
        }
    }
    return records;
}

// What the colour-system calls of a run were, one "call=result" per call, in order.
inline std::vector<std::string> ColorCalls(const std::string& journal) {
    std::vector<std::string> calls;
    std::istringstream lines(journal);
    for (std::string line; std::getline(lines, line);) {
        const Json record = Json::parse(line);
        const std::string call = record["call"];
        if (call == "AssociateColorProfileWithDeviceW" || call == "InstallColorProfileW" ||
            call == "WcsSetCalibrationManagementState") {
            calls.push_back(call + "=" + record["result"].dump());
        }
    }
    return calls;
}

// The lines of standard output that start with one of the prefixes.
inline std::vector<std::string> LinesWith(const std::string& out, const std::vector<std::string>& prefixes) {
    std::vector<std::string> found;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        for (const std::string& prefix : prefixes) {
            if (line.starts_with(prefix)) {
                found.push_back(line);
            }
        }
    }
    return found;
}

class ProfileScenario : public ::testing::Test {
  protected:
    void SetUp() override { Reset(); }
    // A fresh root with the program and staging folders, and the default machine. The root is the test's
    // and this process's own: another build may run the same test at the same time.
    void Reset() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() / (std::string("tintfold_profile_") + info->test_suite_name() +
                                             "_" + info->name() + "_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(ProgramFolder());
        fs::create_directories(Staging());
        machine_ = sim::DefaultMachine();
    }
    void TearDown() override {
        if (!HasFailure()) {
            fs::remove_all(root_);
        }
    }

    fs::path ProgramFolder() const { return root_ / "C/Program Files/NORVIK/Tintfold"; }
    fs::path Staging() const { return root_ / "C/ProgramData/NORVIK/Quillory/NORVIKOptimization/Lumisse"; }
    fs::path DataFile() const { return Staging() / kDataFile; }
    const std::string& MonitorDevice() const {
        return machine_["display"]["adapters"][0]["monitors"][0]["DeviceID"].get_ref<const std::string&>();
    }

    void MakeProfiles(const std::string& options = "") {
        const std::string command = std::string(MAKE_PROFILES_EXE) + " --folder " + Quoted(ProgramFolder()) +
                                    " " + options + " >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    void WriteDataFile(const std::string& bytes) { std::ofstream(DataFile(), std::ios::binary) << bytes; }

    // Runs the tool once; its standard output goes to out_.
    void Run() {
        std::ofstream(root_ / "machine.json") << machine_.dump();
        const std::string command = "TINTFOLD_ROOT=" + Quoted(root_) +
                                    " TINTFOLD_MACHINE=" + Quoted(root_ / "machine.json") + " " +
                                    TINTFOLD_EXE + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        out_.clear();
        char chunk[4096];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
            out_.append(chunk, n);
        }
        const int status = pclose(pipe);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0) << out_;
    }

    std::string Journal() const { return ReadText(root_ / "journal.jsonl"); }
    std::string DebuggerLog() const { return ReadText(root_ / "debugger.log"); }
    Json ColorSystem() const { return Json::parse(ReadText(root_ / "color-system.json")); }

    // The association lines a run prints on standard output.
    std::vector<std::string> AssociationLines() const {
        return LinesWith(out_, {"[Tintfold W] AssociateColorProfile", "[Tintfold S] AssociateColorProfile"});
    }

    fs::path root_;
    Json machine_;
    std::string out_;
};

} // namespace scenario
