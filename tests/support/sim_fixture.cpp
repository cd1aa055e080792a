#include "support/sim_fixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/run_context.h"

namespace {

std::string ReadHostFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace

void SimTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tintfold-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    sim::Load(root_, sim::Json::object());
    ResetContext();
}

void SimTest::TearDown() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

void SimTest::LoadMachine(std::string_view descriptionJson, std::vector<std::string> args) {
    try {
        sim::Load(root_, sim::Json::parse(descriptionJson), std::move(args));
    } catch (const sim::MachineError& e) {
        FAIL() << "machine description rejected: " << e.what();
    }
}

std::vector<sim::Json> SimTest::JournalRecords() const {
    std::vector<sim::Json> records;
    for (const std::string& line : Lines(ReadHostFile(root_ / "journal.jsonl"))) {
        records.push_back(sim::Json::parse(line));
    }
    return records;
}

std::vector<sim::Json> SimTest::JournalRecords(std::string_view call) const {
    std::vector<sim::Json> records;
    for (sim::Json& record : JournalRecords()) {
        if (record["call"] == call) {
            records.push_back(std::move(record));
        }
    }
    return records;
}

std::vector<std::string> SimTest::DebugLines() const {
    return Lines(ReadHostFile(root_ / "debugger.log"));
}

void SimTest::WriteFile(std::u16string_view windowsPath, std::string_view bytes) const {
    const std::filesystem::path file = sim::HostPath(windowsPath);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string SimTest::ReadFile(std::u16string_view windowsPath) const {
    return ReadHostFile(sim::HostPath(windowsPath));
}

bool SimTest::FileExists(std::u16string_view windowsPath) const {
    return std::filesystem::is_regular_file(sim::HostPath(windowsPath));
}

void SimTest::MakeFolder(std::u16string_view windowsPath) const {
    std::filesystem::create_directories(sim::HostPath(windowsPath));
}

void SimTest::ResetContext() const {
    ResetRunContext();
}
