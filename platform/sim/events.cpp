// The description's events (events.h).
#include "platform/sim/events.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/sim/description.h"
#include "platform/sim/file_handles.h"
#include "platform/sim/file_security.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/machine.h"
#include "platform/text.h"

namespace sim {

namespace {

// How many journal records each call has had in this run.
std::map<std::string, uint64_t, std::less<>>& Counts() {
    static std::map<std::string, uint64_t, std::less<>> counts;
    return counts;
}

const ModuleRegistration kModule{{[] { Counts().clear(); }, nullptr}};

// Makes the name at host a symbolic link to target in place. A folder becomes one only while it is empty,
// as Windows sets a reparse point only on an empty folder; a name whose folder is missing stays missing.
void MakeLinkInPlace(const std::filesystem::path& host, const std::filesystem::path& target) {
    std::error_code ec;
    const std::optional<FileObject> before = ObjectAt(host, true);
    const bool fullFolder = before && before->folder && !before->link && !std::filesystem::is_empty(host, ec);
    if (host.empty() || target.empty() || fullFolder ||
        !std::filesystem::is_directory(host.parent_path(), ec)) {
        return;
    }
    std::filesystem::remove(host, ec);
    std::filesystem::create_symlink(target, host, ec);
    const std::optional<FileObject> after = ObjectAt(host, true);
    if (ec || !after) {
        return;
    }
    NoteCreated(host);
    if (before) {
        MoveEntry(before->identity, *after);
        RepointHandles(before->identity, host);
    }
}

} // namespace

void AfterJournal(std::string_view call) {
    const Json& description = Description();
    if (!description.contains("events")) {
        return;
    }
    auto& counts = Counts();
    auto count = counts.find(call);
    if (count == counts.end()) {
        count = counts.emplace(std::string(call), 0).first;
    }
    ++count->second;
    for (const Json& event : description["events"]) {
        if (event["after"].get_ref<const std::string&>() == call && event["occurrence"] == count->second) {
            const Json& link = event["link"];
            MakeLinkInPlace(HostPath(platform::Utf8ToUtf16(link["path"].get<std::string>())),
                            HostPath(platform::Utf8ToUtf16(link["target"].get<std::string>())));
        }
    }
}

} // namespace sim
