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
#include "platform/sim/description.h"
#include "platform/sim/host_files.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/machine.h"
#include "platform/sim/records.h"
#include "platform/text.h"

namespace sim {

namespace {

using platform::DWORD;

constexpr DWORD kDelete = 0x10000;
constexpr DWORD kReadAccess = platform::GENERIC_READ | 0x1;   // GENERIC_READ or FILE_READ_DATA
constexpr DWORD kWriteAccess = platform::GENERIC_WRITE | 0x2; // GENERIC_WRITE or FILE_WRITE_DATA

// An open file: the name it was opened by, and whether the handle is the link itself.
struct OpenFile {
    std::u16string path;
    std::filesystem::path host;
    DWORD access;
    DWORD share;
    bool linkItself;
    // The file's identity when opened: the handle keeps referring to it whatever happens to the name.
    std::string identity;
    // The file itself, opened when the handle was, for what is read and written through the handle.
    HostFile data;
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

// What a handle or an open request refers to: the link itself, or the file it leads to, whatever name
// (hard link) it is reached by.
std::string Identity(const std::filesystem::path& host, bool linkItself) {
    struct stat info {};
    const int status = linkItself ? ::lstat(host.c_str(), &info) : ::stat(host.c_str(), &info);
    return status == 0 ? std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) : host.string();
}

// Whether two opens of one file can coexist, as Windows' share modes decide.
bool Compatible(DWORD access, DWORD share, const OpenFile& other) {
    const auto allows = [](DWORD shareMode, DWORD wanted) {
        return ((wanted & kReadAccess) == 0 || (shareMode & platform::FILE_SHARE_READ) != 0) &&
               ((wanted & kWriteAccess) == 0 || (shareMode & platform::FILE_SHARE_WRITE) != 0) &&
               ((wanted & kDelete) == 0 || (shareMode & platform::FILE_SHARE_DELETE) != 0);
    };
    return allows(other.share, access) && allows(share, other.access);
}

bool SharingAllows(const std::filesystem::path& host, bool linkItself, DWORD access, DWORD share) {
    const std::string identity = Identity(host, linkItself);
    return std::all_of(OpenFiles().begin(), OpenFiles().end(), [&](const auto& other) {
        return other->identity != identity || Compatible(access, share, *other);
    });
}

DWORD LinkCount(const std::filesystem::path& host, bool linkItself) {
    struct stat info {};
    const int status = linkItself ? ::lstat(host.c_str(), &info) : ::stat(host.c_str(), &info);
    return status == 0 ? static_cast<DWORD>(info.st_nlink) : 1;
}

// Creates an empty file at the name; the name's folder must exist.
bool CreateEmpty(const std::filesystem::path& host) {
    return HostFile(::open(host.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666)).Close();
}

DWORD OpenError(const std::filesystem::path& host, DWORD access, DWORD share, DWORD creation, DWORD flags,
                bool& linkItself) {
    std::error_code ec;
    if (host.empty() || !std::filesystem::is_directory(host.parent_path(), ec)) {
        return platform::ERROR_PATH_NOT_FOUND;
    }
    const bool openLink = (flags & platform::FILE_FLAG_OPEN_REPARSE_POINT) != 0;
    linkItself = openLink && IsLink(host);
    const bool exists = linkItself || std::filesystem::exists(host, ec);
    if (creation == platform::CREATE_NEW && (exists || IsLink(host))) {
        return platform::ERROR_FILE_EXISTS;
    }
    if (!exists && creation == platform::OPEN_EXISTING) {
        return platform::ERROR_FILE_NOT_FOUND;
    }
    const bool folder = (EntryAttributes(host) & platform::FILE_ATTRIBUTE_DIRECTORY) != 0 ||
                        (!linkItself && std::filesystem::is_directory(host, ec));
    if (exists && folder && (flags & platform::FILE_FLAG_BACKUP_SEMANTICS) == 0) {
        return platform::ERROR_ACCESS_DENIED;
    }
    // Only files and folders open: a FIFO, a device or a socket on the host is no Windows file, and
    // opening one could wait for ever.
    if (exists && !linkItself && !folder && !std::filesystem::is_regular_file(host, ec)) {
        return platform::ERROR_ACCESS_DENIED;
    }
    if (!SharingAllows(host, linkItself, access, share)) {
        return platform::ERROR_SHARING_VIOLATION;
    }
    if (!exists && !CreateEmpty(host)) {
        return platform::ERROR_ACCESS_DENIED;
    }
    return platform::ERROR_SUCCESS;
}

// The file behind a new handle, for its reads and writes: none for the link itself, and only a regular file
// opens for writing. Without blocking: only files and folders get this far, but the name may have changed
// since.
HostFile OpenData(const std::filesystem::path& host, DWORD access, bool linkItself) {
    const bool reads = (access & kReadAccess) != 0;
    const bool writes = (access & kWriteAccess) != 0;
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

} // namespace

DWORD EntryAttributes(const std::filesystem::path& host) {
    std::error_code ec;
    const auto own = std::filesystem::symlink_status(host, ec);
    if (host.empty() || !std::filesystem::exists(own)) {
        return platform::INVALID_FILE_ATTRIBUTES;
    }
    if (std::filesystem::is_symlink(own)) {
        const bool toFolder = std::filesystem::is_directory(host, ec);
        return platform::FILE_ATTRIBUTE_REPARSE_POINT |
               (toFolder ? platform::FILE_ATTRIBUTE_DIRECTORY : platform::FILE_ATTRIBUTE_ARCHIVE);
    }
    return std::filesystem::is_directory(own) ? platform::FILE_ATTRIBUTE_DIRECTORY
                                              : platform::FILE_ATTRIBUTE_ARCHIVE;
}

platform::BOOL EndCopy(const char16_t* from, const char16_t* to, DWORD error) {
    const platform::BOOL result = error == platform::ERROR_SUCCESS ? platform::kTrue : platform::kFalse;
    Journal("CopyFileW", {{"from", JsonText(from)}, {"to", JsonText(to)}, {"result", result}});
    if (error != platform::ERROR_SUCCESS) {
        platform::SetLastError(error);
    }
    return result;
}

platform::Handle OpenFileHandle(std::u16string_view path, DWORD access, DWORD share, DWORD creation,
                                DWORD flags) {
    const std::filesystem::path host = HostPath(path);
    bool linkItself = false;
    const DWORD error = OpenError(host, access, share, creation, flags, linkItself);
    Journal("CreateFileW", Json{{"path", platform::Utf16ToUtf8(path)},
                                {"result", error == platform::ERROR_SUCCESS ? 1 : 0}});
    if (error != platform::ERROR_SUCCESS) {
        platform::SetLastError(error);
        return platform::InvalidHandleValue();
    }
    OpenFiles().push_back(
        std::make_unique<OpenFile>(OpenFile{std::u16string(path), host, access, share, linkItself,
                                            Identity(host, linkItself), OpenData(host, access, linkItself)}));
    return OpenFiles().back().get();
}

int ReadDescriptor(platform::Handle handle) {
    const OpenFile* file = FindFile(handle);
    return file != nullptr && (file->access & kReadAccess) != 0 ? file->data.fd() : -1;
}

bool CloseFileHandle(platform::Handle handle) {
    auto& files = OpenFiles();
    const auto it =
        std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.get() == handle; });
    if (it == files.end()) {
        return false;
    }
    files.erase(it);
    return true;
}

} // namespace sim

namespace platform {

BOOL GetFileInformationByHandle(Handle file, ByHandleFileInformation* information) {
    const sim::OpenFile* open = sim::FindFile(file);
    if (open == nullptr || information == nullptr) {
        SetLastError(open == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    *information = ByHandleFileInformation{};
    std::error_code ec;
    information->dwFileAttributes =
        open->linkItself ? sim::EntryAttributes(open->host)
                         : (std::filesystem::is_directory(open->host, ec) ? FILE_ATTRIBUTE_DIRECTORY
                                                                          : FILE_ATTRIBUTE_ARCHIVE);
    const auto size = open->linkItself ? 0 : std::filesystem::file_size(open->host, ec);
    information->nFileSizeLow = ec ? 0 : static_cast<DWORD>(size & 0xFFFFFFFFu);
    information->nFileSizeHigh = ec ? 0 : static_cast<DWORD>(size >> 32);
    information->nNumberOfLinks = sim::LinkCount(open->host, open->linkItself);
    return kTrue;
}

BOOL DeleteFileW(const char16_t* fileName) {
    const std::filesystem::path host =
        fileName != nullptr ? sim::HostPath(fileName) : std::filesystem::path();
    const DWORD attributes = sim::EntryAttributes(host);
    DWORD error = ERROR_SUCCESS;
    std::error_code ec;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = host.empty() ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = ERROR_ACCESS_DENIED; // a folder, or a junction: removed as folders are
    } else if (!sim::SharingAllows(host, sim::IsLink(host), sim::kDelete,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) {
        error = ERROR_SHARING_VIOLATION;
    } else if (!std::filesystem::remove(host, ec)) {
        error = ERROR_ACCESS_DENIED;
    }
    sim::Journal("DeleteFileW",
                 {{"path", sim::JsonText(fileName)}, {"result", error == ERROR_SUCCESS ? 1 : 0}});
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return kFalse;
    }
    return kTrue;
}

BOOL CopyFileToHandle(const char16_t* existingFile, Handle newFileHandle, const char16_t* newFile) {
    const sim::OpenFile* open = sim::FindFile(newFileHandle);
    const std::filesystem::path source =
        existingFile != nullptr ? sim::HostPath(existingFile) : std::filesystem::path();
    sim::HostFile in;
    DWORD error = ERROR_SUCCESS;
    if (open == nullptr) {
        error = ERROR_INVALID_HANDLE;
    } else if (source.empty()) {
        error = ERROR_PATH_NOT_FOUND;
    } else if (sim::OpenRegularFile(source, in) != sim::HostRead::Read) {
        error = ERROR_FILE_NOT_FOUND;
    } else if ((open->access & sim::kWriteAccess) == 0 || !open->data.IsOpen()) {
        // The sim writes no data into a link itself.
        error = ERROR_ACCESS_DENIED;
    } else if (!sim::CopyInto(in, open->data.fd())) {
        error = ERROR_ACCESS_DENIED;
    }
    return sim::EndCopy(existingFile, newFile, error);
}

} // namespace platform
