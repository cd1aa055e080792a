// Ordinary files opened for reading on the simulated machine, read through their host files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "platform/files.h"
#include "platform/sim/machine.h"
#include "platform/sim/open_files.h"

namespace {

using platform::DWORD;

// A host file descriptor, closed with its entry.
struct OpenFile {
    int descriptor;
    explicit OpenFile(int openDescriptor) : descriptor(openDescriptor) {}
    ~OpenFile() { ::close(descriptor); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
};

std::vector<std::unique_ptr<OpenFile>>& OpenFiles() {
    static std::vector<std::unique_ptr<OpenFile>> files;
    return files;
}

const bool kRegistered = [] {
    sim::RegisterModule({[] { OpenFiles().clear(); }, nullptr});
    return true;
}();

OpenFile* FindFile(platform::Handle handle) {
    const auto& files = OpenFiles();
    const auto it =
        std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.get() == handle; });
    return it == files.end() ? nullptr : it->get();
}

DWORD ErrorOfOpen(int error, const std::filesystem::path& host) {
    if (error != ENOENT && error != ENOTDIR) {
        return platform::ERROR_ACCESS_DENIED;
    }
    std::error_code ec;
    return std::filesystem::is_directory(host.parent_path(), ec) ? platform::ERROR_FILE_NOT_FOUND
                                                                 : platform::ERROR_PATH_NOT_FOUND;
}

} // namespace

namespace sim {

platform::Handle OpenFileForReading(const char16_t* path, DWORD desiredAccess, DWORD creationDisposition) {
    if (desiredAccess != platform::GENERIC_READ || creationDisposition != platform::OPEN_EXISTING) {
        platform::SetLastError(platform::ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    const std::filesystem::path host = HostPath(path);
    if (host.empty()) {
        platform::SetLastError(platform::ERROR_PATH_NOT_FOUND);
        return nullptr;
    }
    // Without blocking: a host FIFO must not stall the open; it is refused below as no regular file.
    const int descriptor = ::open(host.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        platform::SetLastError(ErrorOfOpen(errno, host));
        return nullptr;
    }
    auto file = std::make_unique<OpenFile>(descriptor);
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        platform::SetLastError(platform::ERROR_ACCESS_DENIED);
        return nullptr;
    }
    OpenFiles().push_back(std::move(file));
    return OpenFiles().back().get();
}

bool CloseOpenFile(platform::Handle handle) {
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

BOOL ReadFile(Handle file, void* buffer, DWORD toRead, DWORD* read, void*) {
    const OpenFile* open = FindFile(file);
    if (open == nullptr || (buffer == nullptr && toRead > 0)) {
        SetLastError(open == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    DWORD total = 0;
    while (total < toRead) {
        const ssize_t count = ::read(open->descriptor, static_cast<char*>(buffer) + total, toRead - total);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            SetLastError(ERROR_ACCESS_DENIED);
            return kFalse;
        }
        if (count == 0) {
            break;
        }
        total += static_cast<DWORD>(count);
    }
    if (read != nullptr) {
        *read = total;
    }
    return kTrue;
}

BOOL GetFileSizeEx(Handle file, int64_t* size) {
    const OpenFile* open = FindFile(file);
    struct stat status {};
    if (open == nullptr || size == nullptr || ::fstat(open->descriptor, &status) != 0) {
        SetLastError(open == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    *size = static_cast<int64_t>(status.st_size);
    return kTrue;
}

} // namespace platform
