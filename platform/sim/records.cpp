// journal.jsonl and debugger.log: they stay open for the run, since a run with thousands of calls or trace
// lines would otherwise open them for each; every line is flushed as it is written, so the files are whole
// at any moment.
#include "platform/sim/records.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/sim/events.h"
#include "platform/text.h"

namespace sim {

namespace {

constexpr std::array<std::string_view, 19> kJournalCalls{"SetDefaultDllDirectories",
                                                         "LoadLibraryW",
                                                         "CoInitializeEx",
                                                         "CoUninitialize",
                                                         "CoInitializeSecurity",
                                                         "ConnectServer",
                                                         "ExecQuery",
                                                         "ExecMethod",
                                                         "SHCreateDirectoryExW",
                                                         "CopyFileW",
                                                         "CreateFileW",
                                                         "DeleteFileW",
                                                         "SetSecurityInfo",
                                                         "DeviceIoControl",
                                                         "CloseHandle",
                                                         "WritePrivateProfileStringW",
                                                         "AssociateColorProfileWithDeviceW",
                                                         "InstallColorProfileW",
                                                         "WcsSetCalibrationManagementState"};

std::ofstream& JournalFile() {
    static std::ofstream file;
    return file;
}

std::ofstream& DebugLogFile() {
    static std::ofstream file;
    return file;
}

void StartFile(std::ofstream& file, const std::filesystem::path& path) {
    file.close();
    file.clear();
    file.open(path, std::ios::binary | std::ios::trunc);
}

void WriteLine(std::ofstream& file, std::string_view line) {
    file.write(line.data(), static_cast<std::streamsize>(line.size()));
    file.put('\n');
    file.flush();
}

} // namespace

void StartRecords(const std::filesystem::path& root) {
    StartFile(DebugLogFile(), root / "debugger.log");
    StartFile(JournalFile(), root / "journal.jsonl");
}

void CloseRecords() {
    DebugLogFile().close();
    JournalFile().close();
}

std::span<const std::string_view> JournalCalls() {
    return kJournalCalls;
}

void Journal(std::string_view call, Json fields) {
    if (std::find(kJournalCalls.begin(), kJournalCalls.end(), call) == kJournalCalls.end()) {
        throw std::logic_error("the sim journals " + std::string(call) + ", which the journal's list lacks");
    }
    nlohmann::ordered_json record;
    record["call"] = call;
    for (const auto& [key, value] : fields.items()) {
        record[key] = value;
    }
    WriteLine(JournalFile(), record.dump(-1, ' ', false, Json::error_handler_t::replace));
    AfterJournal(call);
}

void DebugLog(std::string_view utf8Text) {
    WriteLine(DebugLogFile(), utf8Text);
}

Json JsonText(const char16_t* text) {
    return text != nullptr ? Json(platform::Utf16ToUtf8(text)) : Json();
}

} // namespace sim
