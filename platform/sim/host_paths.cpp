// Where the machine's Windows paths lie on the host (host_paths.h), and the indexes of folder names that
// make case-insensitive look-ups cheap.
#include "platform/sim/host_paths.h"

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/sim/machine.h"
#include "platform/text.h"

namespace sim {

namespace {

// The names of one host folder by their ASCII upper-case form, so that a case-insensitive look-up costs
// the same in a folder of ten thousand files as in an empty one. An index is read from the host once and
// then kept current by the sim's own writes (NoteCreated); it is read again when the folder's
// modification time shows a change from outside the sim. A change made in the same tick of the file
// system's clock as the reading cannot be told apart, so an index read from a folder changed within the
// last second is used for one look-up only.
struct FolderIndex {
    std::unordered_map<std::string, std::string> names;
    std::filesystem::file_time_type modified;
    bool settled = false;
};

constexpr auto kSettleTime = std::chrono::seconds(1);

std::unordered_map<std::string, FolderIndex>& FolderIndexes() {
    static std::unordered_map<std::string, FolderIndex> indexes;
    return indexes;
}

std::string FoldName(std::string_view name) {
    return platform::UpperAsciiText(std::string(name));
}

bool Settled(std::filesystem::file_time_type modified) {
    return std::filesystem::file_time_type::clock::now() - modified > kSettleTime;
}

// The index of folder, read again when the folder changed since; null when the folder cannot be read.
const FolderIndex* IndexOf(const std::filesystem::path& folder) {
    std::error_code ec;
    const auto modified = std::filesystem::last_write_time(folder, ec);
    if (ec) {
        return nullptr;
    }
    FolderIndex& index = FolderIndexes()[folder.native()];
    if (index.settled && index.modified == modified) {
        return &index;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (dir == nullptr) {
        return nullptr;
    }
    index.names.clear();
    while (const dirent* entry = readdir(dir.get())) {
        // Where names differ only in case, the first listed wins, as a scan of the folder would find it.
        index.names.emplace(FoldName(entry->d_name), entry->d_name);
    }
    index.modified = modified;
    index.settled = Settled(modified);
    return &index;
}

// The entry of folder whose name equals name ignoring ASCII case, or name itself when there is none.
std::filesystem::path FindEntry(const std::filesystem::path& folder, const std::string& name) {
    std::error_code ec;
    if (std::filesystem::exists(folder / name, ec)) {
        return folder / name;
    }
    const FolderIndex* index = IndexOf(folder);
    if (index == nullptr) {
        return folder / name;
    }
    const auto found = index->names.find(FoldName(name));
    return folder / (found == index->names.end() ? name : found->second);
}

// The host folders of Windows folders found so far, by the folder's upper-case path. A folder found once
// is taken again while it still exists, so that the many files of one folder cost one look-up of that
// folder each, not one per component of its path.
std::unordered_map<std::u16string, std::filesystem::path>& KnownFolders() {
    static std::unordered_map<std::u16string, std::filesystem::path> folders;
    return folders;
}

std::filesystem::path HostFolder(char16_t drive, const std::vector<std::u16string_view>& components) {
    std::u16string key(1, drive);
    for (const std::u16string_view component : components) {
        key += u'\\';
        std::transform(component.begin(), component.end(), std::back_inserter(key),
                       platform::UpperAscii<char16_t>);
    }
    auto& known = KnownFolders();
    const auto found = known.find(key);
    std::error_code ec;
    if (found != known.end() && std::filesystem::is_directory(found->second, ec)) {
        return found->second;
    }
    std::filesystem::path host = FindEntry(Root(), std::string(1, static_cast<char>(drive)));
    for (const std::u16string_view component : components) {
        host = FindEntry(host, platform::Utf16ToUtf8(component));
    }
    if (std::filesystem::is_directory(host, ec)) {
        known[key] = host;
    }
    return host;
}

// The length of the full path that Windows makes of a path on a drive: drive, then each component after
// one separator ("." dropped, ".." taking the previous one away), with a trailing separator kept.
std::size_t FullPathLength(const std::vector<std::u16string_view>& components, bool trailingSeparator) {
    std::size_t length = 2; // "C:"
    for (const std::u16string_view component : components) {
        length += 1 + component.size();
    }
    return components.empty() || trailingSeparator ? length + 1 : length;
}

const sim::ModuleRegistration kModule{{[] {
                                           FolderIndexes().clear();
                                           KnownFolders().clear();
                                       },
                                       nullptr}};

// The drive of a path on a drive (C: for one that starts with a single separator) and the rest from its
// first separator on; false for a relative, UNC or device path.
bool SplitDrive(std::u16string_view windowsPath, char16_t& drive, std::u16string_view& rest) {
    rest = windowsPath;
    drive = u'C';
    if (rest.size() >= 2 && rest[1] == u':' && platform::IsAsciiLetter(rest[0])) {
        drive = platform::UpperAscii(rest[0]);
        rest.remove_prefix(2);
        // "C:name" is relative to the drive's current folder, which the machine has none of.
        return !rest.empty() && platform::IsPathSeparator(rest[0]);
    }
    // Relative, or a UNC or device path.
    return !rest.empty() && platform::IsPathSeparator(rest[0]) &&
           !(rest.size() >= 2 && platform::IsPathSeparator(rest[1]));
}

} // namespace

bool IsDrivePath(std::u16string_view windowsPath) {
    char16_t drive = u'C';
    std::u16string_view rest;
    return SplitDrive(windowsPath, drive, rest);
}

std::filesystem::path HostPath(std::u16string_view windowsPath, PathFault* fault) {
    PathFault ignored = PathFault::None;
    PathFault& result = fault != nullptr ? *fault : ignored;
    result = PathFault::NotOnDrive;
    char16_t drive = u'C';
    std::u16string_view rest;
    if (!SplitDrive(windowsPath, drive, rest)) {
        return {};
    }
    const bool trailingSeparator = platform::IsPathSeparator(rest.back());
    std::vector<std::u16string_view> components;
    while (!rest.empty()) {
        while (!rest.empty() && platform::IsPathSeparator(rest[0])) {
            rest.remove_prefix(1);
        }
        std::size_t length = 0;
        while (length < rest.size() && !platform::IsPathSeparator(rest[length])) {
            ++length;
        }
        const std::u16string_view component = rest.substr(0, length);
        rest.remove_prefix(length);
        if (component == u"..") {
            if (!components.empty()) {
                components.pop_back();
            }
        } else if (!component.empty() && component != u".") {
            components.push_back(component);
        }
    }
    if (FullPathLength(components, trailingSeparator) >= kMaxPath) {
        result = PathFault::TooLong;
        return {};
    }
    result = PathFault::None;
    if (components.empty()) {
        return FindEntry(Root(), std::string(1, static_cast<char>(drive)));
    }
    const std::u16string_view name = components.back();
    components.pop_back();
    return FindEntry(HostFolder(drive, components), platform::Utf16ToUtf8(name));
}

platform::DWORD MissingError(const std::filesystem::path& host) {
    std::error_code ec;
    return std::filesystem::is_directory(host.parent_path(), ec) ? platform::ERROR_FILE_NOT_FOUND
                                                                 : platform::ERROR_PATH_NOT_FOUND;
}

void NoteCreated(const std::filesystem::path& host) {
    auto& indexes = FolderIndexes();
    std::error_code ec;
    if (std::filesystem::is_directory(host, ec)) {
        // A folder the sim has just made is empty: its index needs no reading.
        const auto modified = std::filesystem::last_write_time(host, ec);
        if (!ec) {
            indexes[host.native()] = FolderIndex{{}, modified, true};
        }
    }
    const auto found = indexes.find(host.parent_path().native());
    if (found == indexes.end()) {
        return;
    }
    const auto modified = std::filesystem::last_write_time(host.parent_path(), ec);
    if (ec) {
        indexes.erase(found);
        return;
    }
    const std::string name = host.filename().string();
    found->second.names.emplace(FoldName(name), name);
    found->second.modified = modified;
}

} // namespace sim
