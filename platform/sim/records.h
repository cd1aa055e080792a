// What a run leaves for a person or a test to read: journal.jsonl, one record per platform call that the
// journal lists, and debugger.log, one line per call of the debugger output. Internal to the sim backend.
#pragma once

#include <filesystem>
#include <span>
#include <string_view>

#include "platform/sim/description.h"

namespace sim {

// Starts both files afresh in root; they stay open, each line flushed as it is written.
void StartRecords(const std::filesystem::path& root);
void CloseRecords();

// The calls the journal records, in the order the sim's documentation lists them.
std::span<const std::string_view> JournalCalls();

// One journal.jsonl record: {"call": call, ...fields}, call one of JournalCalls() (another is a fault of the
// sim itself, std::logic_error). The events that wait for it fire after it (events.h).
void Journal(std::string_view call, Json fields);

// One line of debugger.log.
void DebugLog(std::string_view utf8Text);

// A wide argument as a journal field: its UTF-8 text, or null for a null pointer.
Json JsonText(const char16_t* text);

} // namespace sim
