// journal.jsonl and debugger.log: they stay open for the run, since a run with thousands of calls or trace
// lines would otherwise open them for each; every line is flushed as it is written, so the files are whole
// at any moment.
#include "platform/sim/records.h"

#include <fstream>

#include "platform/text.h"

namespace sim {

namespace {

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

void Journal(std::string_view call, Json fields) {
    nlohmann::ordered_json record;
    record["call"] = call;
    for (const auto& [key, value] : fields.items()) {
        record[key] = value;
    }
    WriteLine(JournalFile(), record.dump(-1, ' ', false, Json::error_handler_t::replace));
}

void DebugLog(std::string_view utf8Text) {
    WriteLine(DebugLogFile(), utf8Text);
}

Json JsonText(const char16_t* text) {
    return text != nullptr ? Json(platform::Utf16ToUtf8(text)) : Json();
}

} // namespace sim
