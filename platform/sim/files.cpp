// Files and folders on the simulated machine's drives: attributes, folder creation, file search,
// copying and the existence test. Names are looked up ignoring ASCII case (HostPath).
#include "platform/files.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/links.h"
#include "platform/sim/machine.h"
#include "platform/text.h"

namespace sim {

namespace {

using platform::BOOL;
using platform::DWORD;

constexpr DWORD kErrorSharingViolation = 32;
constexpr int kErrorBadPathname = 161;

struct Entry {
    std::u16string name;
    DWORD attributes;
    uint64_t size;
};

// An open file search: the entries that matched, in the order the file system lists them.
struct Search {
    std::vector<Entry> entries;
    std::size_t next;
};

std::vector<std::unique_ptr<Search>>& Searches() {
    static std::vector<std::unique_ptr<Search>> searches;
    return searches;
}

void ResetFiles() {
    Searches().clear();
}

[[maybe_unused]] const bool registered = (RegisterModule({&ResetFiles, nullptr}), true);

// ASCII letters in upper case: names compare as NTFS orders them ("_" after the letters).
char16_t Fold(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

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
        } else if (p < pattern.size() && (pattern[p] == u'?' || Fold(pattern[p]) == Fold(name[n]))) {
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

DWORD AttributesOf(const std::filesystem::file_status& status) {
    return std::filesystem::is_directory(status) ? platform::FILE_ATTRIBUTE_DIRECTORY
                                                 : platform::FILE_ATTRIBUTE_ARCHIVE;
}

// The error for a path that does not exist: its folder missing, or only the entry itself.
DWORD MissingError(const std::filesystem::path& host) {
    std::error_code ec;
    return std::filesystem::is_directory(host.parent_path(), ec) ? platform::ERROR_FILE_NOT_FOUND
                                                                 : platform::ERROR_PATH_NOT_FOUND;
}

std::size_t NameStart(std::u16string_view path) {
    const std::size_t separator = path.find_last_of(u"\\/");
    return separator == std::u16string_view::npos ? 0 : separator + 1;
}

// The entries of a folder that match a name pattern; a folder other than a drive's root lists "." and
// ".." first, as NTFS does, and the rest follow in upper-case name order.
std::vector<Entry> ListMatches(const std::filesystem::path& folder, std::u16string_view pattern,
                               bool driveRoot) {
    std::vector<Entry> entries;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::u16string name = ToUtf16(it->path().filename().string());
        if (Matches(pattern, name)) {
            std::error_code sizeError;
            const bool folderEntry = it->is_directory(sizeError);
            const uint64_t size = folderEntry ? 0 : it->file_size(sizeError);
            entries.push_back({std::move(name), AttributesOf(it->status(sizeError)), sizeError ? 0 : size});
        }
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                            [](char16_t x, char16_t y) { return Fold(x) < Fold(y); });
    });
    if (!driveRoot) {
        for (const char16_t* dots : {u"..", u"."}) {
            if (Matches(pattern, dots)) {
                entries.insert(entries.begin(), Entry{dots, platform::FILE_ATTRIBUTE_DIRECTORY, 0});
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
    platform::WCopy(data->cFileName, std::size(data->cFileName), entry.name.c_str());
}

Search* FindSearch(platform::Handle handle) {
    const auto& searches = Searches();
    const auto it =
        std::find_if(searches.begin(), searches.end(), [&](const auto& s) { return s.get() == handle; });
    return it == searches.end() ? nullptr : it->get();
}

// Creates a folder and the missing folders above it; ERROR_SUCCESS or the error of the step that failed.
int CreateFolders(std::u16string_view path) {
    const std::filesystem::path target = HostPath(path);
    if (target.empty()) {
        return kErrorBadPathname;
    }
    std::error_code ec;
    if (std::filesystem::exists(target, ec)) {
        return static_cast<int>(platform::ERROR_ALREADY_EXISTS);
    }
    // Walk down from the drive, creating each missing folder; a file on the way blocks the path.
    const std::filesystem::path relative = target.lexically_relative(Current().root);
    std::filesystem::path host = Current().root;
    for (const std::filesystem::path& part : relative) {
        const bool drive = host == Current().root;
        host /= part;
        if (std::filesystem::is_directory(host, ec)) {
            continue;
        }
        // A drive the machine does not have is not created.
        if (drive || std::filesystem::exists(host, ec) || !std::filesystem::create_directory(host, ec)) {
            return static_cast<int>(platform::ERROR_PATH_NOT_FOUND);
        }
    }
    return static_cast<int>(platform::ERROR_SUCCESS);
}

DWORD Copy(std::u16string_view from, std::u16string_view to, BOOL failIfExists) {
    const std::filesystem::path source = HostPath(from);
    const std::filesystem::path destination = HostPath(to);
    std::error_code ec;
    const auto sourceStatus = std::filesystem::status(source, ec);
    if (source.empty() || !std::filesystem::exists(sourceStatus)) {
        return source.empty() ? platform::ERROR_PATH_NOT_FOUND : MissingError(source);
    }
    if (std::filesystem::is_directory(sourceStatus)) {
        return platform::ERROR_ACCESS_DENIED;
    }
    if (destination.empty() || !std::filesystem::is_directory(destination.parent_path(), ec)) {
        return platform::ERROR_PATH_NOT_FOUND;
    }
    const auto destinationStatus = std::filesystem::status(destination, ec);
    if (std::filesystem::is_directory(destinationStatus)) {
        return platform::ERROR_ACCESS_DENIED;
    }
    // A name that exists fails a copy that must not replace, also a link to nothing (links.h).
    if (failIfExists != platform::kFalse &&
        EntryAttributes(destination) != platform::INVALID_FILE_ATTRIBUTES) {
        return platform::ERROR_FILE_EXISTS;
    }
    if (std::filesystem::exists(destinationStatus)) {
        if (std::filesystem::equivalent(source, destination, ec)) {
            return kErrorSharingViolation;
        }
    }
    std::filesystem::copy_file(source, destination, std::filesystem::copy_options::overwrite_existing, ec);
    return ec ? platform::ERROR_ACCESS_DENIED : platform::ERROR_SUCCESS;
}

} // namespace

} // namespace sim

namespace platform {

DWORD GetFileAttributesA(const char* path) {
    const std::filesystem::path host =
        path != nullptr ? sim::HostPath(sim::AnsiToUtf16(path)) : std::filesystem::path();
    // The name itself: a link reports itself as a reparse point (links.h).
    const DWORD attributes = sim::EntryAttributes(host);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        SetLastError(host.empty() ? ERROR_PATH_NOT_FOUND : sim::MissingError(host));
    }
    return attributes;
}

int SHCreateDirectoryExW(Handle, const char16_t* path, const void*) {
    const int result = path != nullptr ? sim::CreateFolders(path) : sim::kErrorBadPathname;
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
    const std::size_t nameStart = sim::NameStart(text);
    const std::u16string_view folderPart = text.substr(0, nameStart);
    const std::u16string_view namePattern = text.substr(nameStart);
    const std::filesystem::path folder = sim::HostPath(folderPart);
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return InvalidHandleValue();
    }
    const bool driveRoot = folder.parent_path() == sim::Current().root;
    std::vector<sim::Entry> entries =
        namePattern.empty() ? std::vector<sim::Entry>() : sim::ListMatches(folder, namePattern, driveRoot);
    if (entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return InvalidHandleValue();
    }
    sim::Fill(entries.front(), data);
    sim::Searches().push_back(std::make_unique<sim::Search>(sim::Search{std::move(entries), 1}));
    return sim::Searches().back().get();
}

BOOL FindNextFileW(Handle search, Win32FindDataW* data) {
    sim::Search* found = sim::FindSearch(search);
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
    auto& searches = sim::Searches();
    const auto it =
        std::find_if(searches.begin(), searches.end(), [&](const auto& s) { return s.get() == search; });
    if (it == searches.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return kFalse;
    }
    searches.erase(it);
    return kTrue;
}

BOOL CopyFileW(const char16_t* existingFile, const char16_t* newFile, BOOL failIfExists) {
    const DWORD error = (existingFile != nullptr && newFile != nullptr)
                            ? sim::Copy(existingFile, newFile, failIfExists)
                            : ERROR_INVALID_PARAMETER;
    return sim::EndCopy(existingFile, newFile, error);
}

int WAccess(const char16_t* path, int) {
    const std::filesystem::path host = path != nullptr ? sim::HostPath(path) : std::filesystem::path();
    std::error_code ec;
    return (!host.empty() && std::filesystem::exists(host, ec)) ? 0 : -1;
}

} // namespace platform
