// File handles and links on the simulated machine (file_handles.h).
#include "platform/sim/file_handles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/security.h"
#include "platform/sim/description.h"
#include "platform/sim/host_files.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/machine.h"
#include "platform/sim/records.h"
#include "platform/text.h"

namespace sim {

namespace {

using platform::DWORD;

constexpr DWORD kReadData = platform::FILE_READ_DATA | platform::FILE_EXECUTE;
constexpr DWORD kWriteData = platform::FILE_WRITE_DATA | platform::FILE_APPEND_DATA;
// What CreateFileW asks for besides the caller's access.
constexpr DWORD kAlwaysAsked = platform::SYNCHRONIZE | platform::FILE_READ_ATTRIBUTES;
// Linux follows at most 40 links in a row.
constexpr int kMaxLinkHops = 40;

// An open file: the name it was opened by, and whether the handle is the link itself.
struct OpenFile {
    std::u16string path;
    std::filesystem::path host;
    // Generic rights mapped, with what CreateFileW adds.
    DWORD access;
    DWORD share;
    bool linkItself;
    // A link itself that leads to a folder: a junction.
    bool junction;
    // What the handle refers to, whatever happens to the name: the file, or the link itself.
    HostFile self;
    // The file's identity (FileIdentity) when opened.
    std::string identity;
    // The file itself, opened when the handle was, for what is read and written through the handle.
    HostFile data;
    // FileDispositionInfo: the name goes when the file's last handle closes.
    bool deletePending = false;
};

std::vector<std::unique_ptr<OpenFile>>& OpenFiles() {
    static std::vector<std::unique_ptr<OpenFile>> files;
    return files;
}

const sim::ModuleRegistration kModule{{[] { OpenFiles().clear(); }, nullptr}};

OpenFile* FindFile(platform::Handle handle) {
    for (const auto& file : OpenFiles()) {
        if (file.get() == handle) {
            return file.get();
        }
    }
    return nullptr;
}

bool IsLink(const std::filesystem::path& host) {
    std::error_code ec;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(host, ec));
}

std::string Identity(const std::filesystem::path& host, bool linkItself) {
    const std::optional<FileObject> object = ObjectAt(host, linkItself);
    return object ? object->identity : host.string();
}

// The share modes that an open for access needs the other opens of the file to allow.
DWORD ShareNeeded(DWORD access) {
    return ((access & kReadData) != 0 ? platform::FILE_SHARE_READ : 0u) |
           ((access & kWriteData) != 0 ? platform::FILE_SHARE_WRITE : 0u) |
           ((access & platform::DELETE) != 0 ? platform::FILE_SHARE_DELETE : 0u);
}

// Whether two opens of one file can coexist, as Windows' share modes decide.
bool Compatible(DWORD access, DWORD share, const OpenFile& other) {
    return (ShareNeeded(access) & ~other.share) == 0 && (ShareNeeded(other.access) & ~share) == 0;
}

bool DeletePending(const std::string& identity) {
    return std::any_of(OpenFiles().begin(), OpenFiles().end(),
                       [&](const auto& file) { return file->identity == identity && file->deletePending; });
}

// The share modes of the handles open on the file at host, and another process's hold on it.
DWORD SharingError(const std::filesystem::path& host, bool linkItself, DWORD access, DWORD share) {
    access = platform::MapGenericFileRights(access);
    if (ShareNeeded(access) == 0) {
        return platform::ERROR_SUCCESS;
    }
    const std::optional<FileObject> object = ObjectAt(host, linkItself);
    if (object && EntryOf(*object).locked) {
        return platform::ERROR_SHARING_VIOLATION;
    }
    const std::string identity = object ? object->identity : host.string();
    const bool allowed = std::all_of(OpenFiles().begin(), OpenFiles().end(), [&](const auto& other) {
        return other->identity != identity || Compatible(access, share, *other);
    });
    return allowed ? platform::ERROR_SUCCESS : platform::ERROR_SHARING_VIOLATION;
}

// Creates an empty file at the name (through a link that leads to nothing, its target); the folder must
// exist.
bool CreateEmpty(const std::filesystem::path& host) {
    return HostFile(::open(host.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666)).Close();
}

bool InsideRoot(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::path root = std::filesystem::weakly_canonical(Root(), ec);
    const std::filesystem::path relative =
        std::filesystem::weakly_canonical(path, ec).lexically_relative(root);
    return !ec && !relative.empty() && *relative.begin() != "..";
}

// A new file at host: checked against the folder it goes into, created, and given its security.
DWORD CreateNewFile(const std::filesystem::path& host, const void* securityAttributes) {
    std::optional<GivenDescriptor> given;
    const std::filesystem::path target = CreationTarget(host);
    std::error_code ec;
    if (target.empty() || !std::filesystem::is_directory(target.parent_path(), ec)) {
        return platform::ERROR_PATH_NOT_FOUND;
    }
    DWORD error = ReadGivenDescriptor(securityAttributes, given);
    if (error == platform::ERROR_SUCCESS) {
        error = CreateError(target.parent_path(), false);
    }
    if (error == platform::ERROR_SUCCESS && !CreateEmpty(host)) {
        error = platform::ERROR_ACCESS_DENIED;
    }
    if (error == platform::ERROR_SUCCESS) {
        NoteCreated(target);
        NoteNewObject(target, given);
    }
    return error;
}

DWORD OpenError(const std::filesystem::path& host, DWORD access, DWORD share, const void* securityAttributes,
                DWORD creation, DWORD flags, bool& linkItself) {
    std::error_code ec;
    if (host.empty() || !std::filesystem::is_directory(host.parent_path(), ec)) {
        return platform::ERROR_PATH_NOT_FOUND;
    }
    linkItself = (flags & platform::FILE_FLAG_OPEN_REPARSE_POINT) != 0 && IsLink(host);
    // Without FILE_FLAG_OPEN_REPARSE_POINT a link is followed, also one that leads to nothing.
    const bool exists = linkItself || std::filesystem::exists(host, ec);
    if (creation == platform::CREATE_NEW && exists) {
        return platform::ERROR_FILE_EXISTS;
    }
    if (!exists) {
        return creation == platform::OPEN_EXISTING ? platform::ERROR_FILE_NOT_FOUND
                                                   : CreateNewFile(host, securityAttributes);
    }
    const bool folder = (EntryAttributes(host) & platform::FILE_ATTRIBUTE_DIRECTORY) != 0 ||
                        (!linkItself && std::filesystem::is_directory(host, ec));
    if (folder && (flags & platform::FILE_FLAG_BACKUP_SEMANTICS) == 0) {
        return platform::ERROR_ACCESS_DENIED;
    }
    // Only files and folders open: a FIFO, a device or a socket on the host is no Windows file, and
    // opening one could wait for ever.
    if (!linkItself && !folder && !std::filesystem::is_regular_file(host, ec)) {
        return platform::ERROR_ACCESS_DENIED;
    }
    return OpenCheckError(host, linkItself, access, share);
}

// The file behind a new handle, for its reads and writes: none for the link itself, and only a regular file
// opens for writing. Without blocking: only files and folders get this far, but the name may have changed
// since.
HostFile OpenData(const std::filesystem::path& host, DWORD access, bool linkItself) {
    const bool reads = (access & platform::FILE_READ_DATA) != 0;
    const bool writes = (access & kWriteData) != 0;
    std::error_code ec;
    if (linkItself || (!reads && !writes)) {
        return HostFile();
    }
    if (writes && std::filesystem::is_regular_file(host, ec)) {
        return HostFile(
            ::open(host.c_str(), (reads ? O_RDWR : O_WRONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    }
    return HostFile(reads ? ::open(host.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) : -1);
}

// Refers a handle to host: the name itself when linkItself, otherwise what it leads to.
void Refer(OpenFile& file, const std::filesystem::path& host, bool linkItself) {
    std::error_code ec;
    file.host = host;
    file.linkItself = linkItself;
    file.junction = linkItself && std::filesystem::is_directory(host, ec);
    file.self = HostFile(::open(host.c_str(), O_PATH | O_CLOEXEC | (linkItself ? O_NOFOLLOW : 0)));
    file.identity = Identity(host, linkItself);
}

FileObject ObjectOf(const OpenFile& file, const struct stat& info) {
    return {file.host, file.identity, S_ISDIR(info.st_mode) || file.junction, file.linkItself};
}

// What the handle's file is now, whatever its name has become.
bool HandleStat(const OpenFile& file, struct stat& info) {
    return file.self.IsOpen() && ::fstat(file.self.fd(), &info) == 0;
}

DWORD HandleAttributes(const OpenFile& file, const struct stat& info) {
    DWORD attributes =
        S_ISDIR(info.st_mode) ? platform::FILE_ATTRIBUTE_DIRECTORY : platform::FILE_ATTRIBUTE_ARCHIVE;
    if (file.linkItself) {
        attributes = platform::FILE_ATTRIBUTE_REPARSE_POINT |
                     (file.junction ? platform::FILE_ATTRIBUTE_DIRECTORY : platform::FILE_ATTRIBUTE_ARCHIVE);
    }
    return attributes | EntryAttributeBits(ObjectOf(file, info));
}

// Deletes the name of a file whose last handle has closed while marked for deletion.
void DeleteClosed(const OpenFile& file) {
    const std::optional<FileObject> object = ObjectAt(file.host, file.linkItself);
    std::error_code ec;
    if (object && object->identity == file.identity && std::filesystem::remove(file.host, ec)) {
        ForgetObject(*object);
    }
}

platform::BOOL Fail(DWORD error) {
    platform::SetLastError(error);
    return platform::kFalse;
}

// What both information calls check: a handle of a file, the one class the sim answers, a buffer large
// enough for it.
DWORD ClassError(const OpenFile* open, struct stat& info, DWORD informationClass, DWORD answered,
                 const void* information, DWORD size, std::size_t needed) {
    if (open == nullptr || !HandleStat(*open, info)) {
        return platform::ERROR_INVALID_HANDLE;
    }
    if (informationClass != answered || information == nullptr) {
        return platform::ERROR_INVALID_PARAMETER;
    }
    return size < needed ? platform::ERROR_BAD_LENGTH : platform::ERROR_SUCCESS;
}

// FileDispositionInfo through a handle: it needs DELETE access, a read-only file refuses, and a folder must
// be empty.
DWORD DispositionError(const OpenFile& file, const struct stat& info) {
    std::error_code ec;
    if ((file.access & platform::DELETE) == 0 || EntryOf(ObjectOf(file, info)).readOnly) {
        return platform::ERROR_ACCESS_DENIED;
    }
    if (S_ISDIR(info.st_mode) && !file.linkItself && !std::filesystem::is_empty(file.host, ec)) {
        return platform::ERROR_DIR_NOT_EMPTY;
    }
    return platform::ERROR_SUCCESS;
}

} // namespace

DWORD EntryAttributes(const std::filesystem::path& host) {
    std::error_code ec;
    const auto own = std::filesystem::symlink_status(host, ec);
    if (host.empty() || !std::filesystem::exists(own)) {
        return platform::INVALID_FILE_ATTRIBUTES;
    }
    const std::optional<FileObject> object = ObjectAt(host, true);
    const DWORD added = object ? EntryAttributeBits(*object) : 0;
    if (std::filesystem::is_symlink(own)) {
        const bool toFolder = std::filesystem::is_directory(host, ec);
        return platform::FILE_ATTRIBUTE_REPARSE_POINT | added |
               (toFolder ? platform::FILE_ATTRIBUTE_DIRECTORY : platform::FILE_ATTRIBUTE_ARCHIVE);
    }
    return added | (std::filesystem::is_directory(own) ? platform::FILE_ATTRIBUTE_DIRECTORY
                                                       : platform::FILE_ATTRIBUTE_ARCHIVE);
}

std::filesystem::path CreationTarget(const std::filesystem::path& host) {
    std::filesystem::path target = host;
    std::error_code ec;
    for (int hop = 0; hop < kMaxLinkHops && IsLink(target); ++hop) {
        const std::filesystem::path next = std::filesystem::read_symlink(target, ec);
        if (ec) {
            return {};
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return !IsLink(target) && InsideRoot(target) ? target : std::filesystem::path();
}

DWORD OpenCheckError(const std::filesystem::path& host, bool linkItself, DWORD access, DWORD share) {
    const std::optional<FileObject> object = ObjectAt(host, linkItself);
    if (!object) {
        return platform::ERROR_FILE_NOT_FOUND;
    }
    const DWORD error =
        DeletePending(object->identity) ? platform::ERROR_ACCESS_DENIED : AccessError(*object, access);
    return error != platform::ERROR_SUCCESS ? error : SharingError(host, linkItself, access, share);
}

platform::Handle OpenFileHandle(std::u16string_view path, DWORD access, DWORD share,
                                const void* securityAttributes, DWORD creation, DWORD flags) {
    const std::filesystem::path host = HostPath(path);
    access = platform::MapGenericFileRights(access) | kAlwaysAsked;
    bool linkItself = false;
    const DWORD error = OpenError(host, access, share, securityAttributes, creation, flags, linkItself);
    platform::Handle handle = platform::InvalidHandleValue();
    if (error == platform::ERROR_SUCCESS) {
        auto file = std::make_unique<OpenFile>();
        file->path = std::u16string(path);
        file->access = access;
        file->share = share;
        Refer(*file, host, linkItself);
        file->data = OpenData(host, access, linkItself);
        OpenFiles().push_back(std::move(file));
        handle = OpenFiles().back().get();
    }
    // The record, and what waits for it (events.h), come once the handle exists.
    Journal("CreateFileW", Json{{"path", platform::Utf16ToUtf8(path)},
                                {"result", error == platform::ERROR_SUCCESS ? 1 : 0}});
    if (error != platform::ERROR_SUCCESS) {
        platform::SetLastError(error);
    }
    return handle;
}

int ReadDescriptor(platform::Handle handle) {
    const OpenFile* file = FindFile(handle);
    return file != nullptr && (file->access & platform::FILE_READ_DATA) != 0 ? file->data.fd() : -1;
}

int WriteDescriptor(platform::Handle handle) {
    const OpenFile* file = FindFile(handle);
    return file != nullptr && (file->access & kWriteData) != 0 ? file->data.fd() : -1;
}

bool CloseFileHandle(platform::Handle handle) {
    auto& files = OpenFiles();
    const auto it =
        std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.get() == handle; });
    if (it == files.end()) {
        return false;
    }
    const std::unique_ptr<OpenFile> closed = std::move(*it);
    files.erase(it);
    if (closed->deletePending && !DeletePending(closed->identity)) {
        closed->self = HostFile();
        closed->data = HostFile();
        DeleteClosed(*closed);
    }
    return true;
}

std::optional<HandleObject> FindHandleObject(platform::Handle handle) {
    const OpenFile* file = FindFile(handle);
    struct stat info {};
    if (file == nullptr || !HandleStat(*file, info)) {
        return std::nullopt;
    }
    return HandleObject{file->path, file->access, ObjectOf(*file, info)};
}

void RepointHandles(const std::string& identity, const std::filesystem::path& host) {
    for (const auto& file : OpenFiles()) {
        if (file->identity == identity) {
            Refer(*file, host, true);
        }
    }
}

} // namespace sim

namespace platform {

BOOL GetFileInformationByHandle(Handle file, ByHandleFileInformation* information) {
    const sim::OpenFile* open = sim::FindFile(file);
    struct stat info {};
    if (open == nullptr || information == nullptr || !sim::HandleStat(*open, info)) {
        return sim::Fail(open == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    }
    *information = ByHandleFileInformation{};
    information->dwFileAttributes = sim::HandleAttributes(*open, info);
    const auto size = open->linkItself || S_ISDIR(info.st_mode) ? 0 : static_cast<uint64_t>(info.st_size);
    information->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    information->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    information->nNumberOfLinks = static_cast<DWORD>(info.st_nlink);
    information->dwVolumeSerialNumber = static_cast<DWORD>(info.st_dev);
    const auto index = static_cast<uint64_t>(info.st_ino);
    information->nFileIndexLow = static_cast<DWORD>(index & 0xFFFFFFFFu);
    information->nFileIndexHigh = static_cast<DWORD>(index >> 32);
    return kTrue;
}

BOOL GetFileInformationByHandleEx(Handle file, DWORD informationClass, void* information, DWORD size) {
    const sim::OpenFile* open = sim::FindFile(file);
    struct stat info {};
    const DWORD error = sim::ClassError(open, info, informationClass, FileAttributeTagInfo, information, size,
                                        sizeof(FileAttributeTagInformation));
    if (error != ERROR_SUCCESS) {
        return sim::Fail(error);
    }
    const DWORD tag = sim::ReparseTagOf(sim::ObjectOf(*open, info));
    *static_cast<FileAttributeTagInformation*>(information) = {sim::HandleAttributes(*open, info), tag};
    return kTrue;
}

BOOL SetFileInformationByHandle(Handle file, DWORD informationClass, void* information, DWORD size) {
    sim::OpenFile* open = sim::FindFile(file);
    struct stat info {};
    DWORD error = sim::ClassError(open, info, informationClass, FileDispositionInfo, information, size,
                                  sizeof(FileDispositionInformation));
    if (error == ERROR_SUCCESS) {
        error = sim::DispositionError(*open, info);
    }
    if (error != ERROR_SUCCESS) {
        return sim::Fail(error);
    }
    // The mark is the file's: every handle of it sees it, and the last one to close deletes the name.
    const bool pending = static_cast<const FileDispositionInformation*>(information)->DeleteFile != 0;
    for (const auto& other : sim::OpenFiles()) {
        if (other->identity == open->identity) {
            other->deletePending = pending;
        }
    }
    return kTrue;
}

BOOL DeleteFileW(const char16_t* fileName) {
    const std::filesystem::path host =
        fileName != nullptr ? sim::HostPath(fileName) : std::filesystem::path();
    const DWORD attributes = sim::EntryAttributes(host);
    const std::optional<sim::FileObject> object = sim::ObjectAt(host, true);
    DWORD error = ERROR_SUCCESS;
    std::error_code ec;
    if (attributes == INVALID_FILE_ATTRIBUTES || !object) {
        error = host.empty() ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || sim::DeletePending(object->identity)) {
        error = ERROR_ACCESS_DENIED; // a folder, or a junction: removed as folders are
    } else if ((error = sim::DeleteError(*object)) != ERROR_SUCCESS) {
    } else if ((error = sim::SharingError(host, object->link, DELETE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) !=
               ERROR_SUCCESS) {
    } else if (!std::filesystem::remove(host, ec)) {
        error = ERROR_ACCESS_DENIED;
    } else {
        sim::ForgetObject(*object);
    }
    sim::Journal("DeleteFileW",
                 {{"path", sim::JsonText(fileName)}, {"result", error == ERROR_SUCCESS ? 1 : 0}});
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return kFalse;
    }
    return kTrue;
}

} // namespace platform
