// Files and folders on the simulated machine's drives: attributes, folder creation, file search and the
// existence test. Names are looked up ignoring ASCII case (HostPath).
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/security.h"
#include "platform/sim/code_pages.h"
#include "platform/sim/description.h"
#include "platform/sim/file_handles.h"
#include "platform/sim/file_security.h"
#include "platform/sim/handle_table.h"
#include "platform/sim/host_files.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/machine.h"
#include "platform/sim/records.h"
#include "platform/text.h"

namespace sim {

namespace {

using platform::BOOL;
using platform::DWORD;

constexpr int kErrorBadPathname = 161;
constexpr DWORD kErrorFilenameExcedRange = 206;
// A folder's full path, terminator included, leaves room for an 8.3 name in it (MAX_PATH - 12).
constexpr std::size_t kMaxFolderPath = 248;

struct Entry {
    std::u16string name;
    // The 8.3 short name of a name that is not one already; empty otherwise.
    std::u16string shortName;
    DWORD attributes;
    uint64_t size;
    // The reparse tag of a reparse point, which a search reports in dwReserved0.
    DWORD reparseTag;
};

// An open file search: the entries that matched, in the order the file system lists them.
struct Search {
    std::vector<Entry> entries;
    std::size_t next;
};

HandleTable<Search>& Searches() {
    static HandleTable<Search> searches;
    return searches;
}

void ResetFiles() {
    Searches().Clear();
}

const sim::ModuleRegistration kModule{{&ResetFiles, nullptr}};

// Wildcard match ignoring ASCII case: "*" any run of characters, "?" any one character; "*.*" is
// every name, with or without an extension.
bool Matches(std::u16string_view pattern, std::u16string_view name) {
    if (pattern == u"*.*") {
        pattern = u"*";
    }
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::u16string_view::npos;
    std::size_t resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || platform::UpperAscii(pattern[p]) ==
                                                                    platform::UpperAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::u16string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

bool ShortNamesOn() {
    return Description().value("shortNames", false);
}

// Characters that an 8.3 name may hold besides ASCII letters and digits.
bool IsShortNameSymbol(char16_t c) {
    return std::u16string_view(u"!#$%&'()-@^_`{}~").find(c) != std::u16string_view::npos;
}

bool IsShortNameCharacter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           IsShortNameSymbol(c);
}

// A name that is already an 8.3 name (in either case): one to eight characters, then at most one dot
// with one to three more. Such a name has no short name of its own.
bool IsShortName(std::u16string_view name) {
    const std::size_t dot = name.find(u'.');
    const std::u16string_view base = name.substr(0, dot);
    const std::u16string_view extension = dot == std::u16string_view::npos ? u"" : name.substr(dot + 1);
    const auto valid = [](std::u16string_view part) {
        return std::all_of(part.begin(), part.end(), IsShortNameCharacter);
    };
    return !base.empty() && base.size() <= 8 && valid(base) && extension.size() <= 3 && valid(extension) &&
           (dot == std::u16string_view::npos || !extension.empty());
}

// A part of a long name as it enters a short name: upper case, spaces and dots left out, characters an
// 8.3 name cannot hold as "_".
std::u16string ShortNamePart(std::u16string_view part, std::size_t limit) {
    std::u16string text;
    for (const char16_t c : part) {
        if (text.size() == limit) {
            break;
        }
        if (c != u' ' && c != u'.') {
            text += IsShortNameCharacter(c) ? platform::UpperAscii(c) : u'_';
        }
    }
    return text;
}

// The short name that NTFS gives a long name: up to six characters of the name before its last dot,
// "~" and the first number that no other name of the folder takes, then "." and up to three characters
// of the extension. Numbers past 9 shorten the first part so that it stays within eight characters.
std::u16string MakeShortName(std::u16string_view name, std::unordered_set<std::u16string>& taken) {
    const std::size_t dot = name.find_last_of(u'.');
    const bool hasExtension = dot != std::u16string_view::npos && dot > 0;
    const std::u16string base = ShortNamePart(hasExtension ? name.substr(0, dot) : name, 6);
    const std::u16string extension = hasExtension ? ShortNamePart(name.substr(dot + 1), 3) : u"";
    if (base.empty()) {
        return {};
    }
    for (unsigned number = 1; number < 1000000; ++number) {
        const std::u16string tail = u"~" + platform::Utf8ToUtf16(std::to_string(number));
        std::u16string candidate = base.substr(0, std::min(base.size(), 8 - tail.size())) + tail;
        if (!extension.empty()) {
            candidate += u"." + extension;
        }
        if (taken.insert(candidate).second) {
            return candidate;
        }
    }
    return {};
}

// Gives every entry that is not an 8.3 name a short name, in the folder's name order.
void AssignShortNames(std::vector<Entry>& entries) {
    std::unordered_set<std::u16string> taken;
    for (const Entry& entry : entries) {
        if (IsShortName(entry.name)) {
            taken.insert(platform::UpperAsciiText(entry.name));
        }
    }
    for (Entry& entry : entries) {
        if (!IsShortName(entry.name)) {
            entry.shortName = MakeShortName(entry.name, taken);
        }
    }
}

// The entries of a folder that match a name pattern, by their name or, on a machine with short names,
// by their short name; a folder other than a drive's root lists "." and ".." first, as NTFS does, and
// the rest follow in upper-case name order.
std::vector<Entry> ListMatches(const std::filesystem::path& folder, std::u16string_view pattern,
                               bool driveRoot) {
    const bool shortNames = ShortNamesOn();
    std::vector<Entry> entries;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::u16string name = platform::Utf8ToUtf16(it->path().filename().string());
        if (shortNames || Matches(pattern, name)) {
            std::error_code sizeError;
            const bool folderEntry = it->is_directory(sizeError);
            const uint64_t size = folderEntry ? 0 : it->file_size(sizeError);
            // The name itself, as Windows lists it: a link is a reparse point.
            const std::optional<FileObject> object = ObjectAt(it->path(), true);
            entries.push_back({std::move(name), u"", EntryAttributes(it->path()), sizeError ? 0 : size,
                               object ? ReparseTagOf(*object) : 0});
        }
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::lexicographical_compare(
            a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
            [](char16_t x, char16_t y) { return platform::UpperAscii(x) < platform::UpperAscii(y); });
    });
    if (shortNames) {
        AssignShortNames(entries);
        std::erase_if(entries, [&](const Entry& entry) {
            return !Matches(pattern, entry.name) &&
                   (entry.shortName.empty() || !Matches(pattern, entry.shortName));
        });
    }
    if (!driveRoot) {
        for (const char16_t* dots : {u"..", u"."}) {
            if (Matches(pattern, dots)) {
                entries.insert(entries.begin(), Entry{dots, u"", platform::FILE_ATTRIBUTE_DIRECTORY, 0, 0});
            }
        }
    }
    return entries;
}

void Fill(const Entry& entry, platform::Win32FindDataW* data) {
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = entry.attributes;
    data->nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(entry.size & 0xFFFFFFFFu);
    data->dwReserved0 =
        (entry.attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? entry.reparseTag : 0;
    platform::WCopy(data->cFileName, std::size(data->cFileName), entry.name.c_str());
    platform::WCopy(data->cAlternateFileName, std::size(data->cAlternateFileName), entry.shortName.c_str());
}

// Creates a folder and the missing folders above it, each given the descriptor of securityAttributes (or
// what it inherits); ERROR_SUCCESS or the error of the step that failed.
int CreateFolders(std::u16string_view path, const void* securityAttributes) {
    PathFault fault = PathFault::None;
    const std::filesystem::path target = HostPath(path, &fault);
    if (fault == PathFault::TooLong || path.size() >= kMaxFolderPath) {
        return static_cast<int>(kErrorFilenameExcedRange);
    }
    if (target.empty()) {
        return kErrorBadPathname;
    }
    std::error_code ec;
    if (std::filesystem::exists(target, ec)) {
        return static_cast<int>(platform::ERROR_ALREADY_EXISTS);
    }
    std::optional<GivenDescriptor> given;
    const DWORD invalid = ReadGivenDescriptor(securityAttributes, given);
    if (invalid != platform::ERROR_SUCCESS) {
        return static_cast<int>(invalid);
    }
    // Walk down from the drive, creating each missing folder; a file on the way blocks the path.
    const std::filesystem::path relative = target.lexically_relative(Root());
    std::filesystem::path host = Root();
    for (const std::filesystem::path& part : relative) {
        const bool drive = host == Root();
        host /= part;
        if (std::filesystem::is_directory(host, ec)) {
            continue;
        }
        // A drive the machine does not have is not created.
        if (drive || std::filesystem::exists(host, ec)) {
            return static_cast<int>(platform::ERROR_PATH_NOT_FOUND);
        }
        const DWORD denied = CreateError(host.parent_path(), true);
        if (denied != platform::ERROR_SUCCESS) {
            return static_cast<int>(denied);
        }
        if (!std::filesystem::create_directory(host, ec)) {
            return static_cast<int>(platform::ERROR_PATH_NOT_FOUND);
        }
        NoteCreated(host);
        NoteNewObject(host, given);
    }
    return static_cast<int>(platform::ERROR_SUCCESS);
}

} // namespace

} // namespace sim

namespace platform {

DWORD GetFileAttributesA(const char* path) {
    const std::u16string wide = path != nullptr ? sim::AnsiToUtf16(path) : std::u16string();
    // A narrow path is converted into a buffer of MAX_PATH + 1 characters before anything else.
    if (wide.size() > sim::kMaxPath) {
        SetLastError(sim::kErrorFilenameExcedRange);
        return INVALID_FILE_ATTRIBUTES;
    }
    const std::filesystem::path host = path != nullptr ? sim::HostPath(wide) : std::filesystem::path();
    // The name itself: a link reports itself as a reparse point (file_handles.h).
    const DWORD attributes = sim::EntryAttributes(host);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        SetLastError(host.empty() ? ERROR_PATH_NOT_FOUND : sim::MissingError(host));
    }
    return attributes;
}

int SHCreateDirectoryExW(Handle, const char16_t* path, const void* securityAttributes) {
    const int result =
        path != nullptr ? sim::CreateFolders(path, securityAttributes) : sim::kErrorBadPathname;
    sim::Journal("SHCreateDirectoryExW", {{"path", sim::JsonText(path)}, {"result", result}});
    if (result != static_cast<int>(ERROR_SUCCESS)) {
        SetLastError(static_cast<DWORD>(result));
    }
    return result;
}

Handle FindFirstFileW(const char16_t* pattern, Win32FindDataW* data) {
    if (pattern == nullptr || data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return InvalidHandleValue();
    }
    const std::u16string_view text(pattern);
    const std::size_t nameStart = platform::NameStart(text);
    const std::u16string_view folderPart = text.substr(0, nameStart);
    const std::u16string_view namePattern = text.substr(nameStart);
    sim::PathFault fault = sim::PathFault::None;
    sim::HostPath(text, &fault);
    const std::filesystem::path folder =
        fault == sim::PathFault::None ? sim::HostPath(folderPart) : std::filesystem::path();
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return InvalidHandleValue();
    }
    // FindFirstFileW opens the folder for FILE_LIST_DIRECTORY.
    const DWORD denied = sim::OpenCheckError(folder, false, FILE_READ_DATA | SYNCHRONIZE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (denied != ERROR_SUCCESS) {
        SetLastError(denied);
        return InvalidHandleValue();
    }
    const bool driveRoot = folder.parent_path() == sim::Root();
    std::vector<sim::Entry> entries =
        namePattern.empty() ? std::vector<sim::Entry>() : sim::ListMatches(folder, namePattern, driveRoot);
    if (entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return InvalidHandleValue();
    }
    sim::Fill(entries.front(), data);
    return sim::Searches().Add(std::make_unique<sim::Search>(sim::Search{std::move(entries), 1}));
}

BOOL FindNextFileW(Handle search, Win32FindDataW* data) {
    sim::Search* found = sim::Searches().Find(search);
    if (found == nullptr || data == nullptr) {
        SetLastError(found == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    if (found->next >= found->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return kFalse;
    }
    sim::Fill(found->entries[found->next++], data);
    return kTrue;
}

BOOL FindClose(Handle search) {
    if (!sim::Searches().Close(search)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return kFalse;
    }
    return kTrue;
}

int WAccess(const char16_t* path, int) {
    const std::filesystem::path host = path != nullptr ? sim::HostPath(path) : std::filesystem::path();
    std::error_code ec;
    return (!host.empty() && std::filesystem::exists(host, ec)) ? 0 : -1;
}

} // namespace platform
