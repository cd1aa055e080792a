// Copying files on the simulated machine: CopyFileW, and the copy written through a handle the caller has
// checked (CopyFileToHandle). Both are journalled as CopyFileW.
#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/files.h"
#include "platform/security.h"
#include "platform/sim/faults.h"
#include "platform/sim/file_handles.h"
#include "platform/sim/file_security.h"
#include "platform/sim/host_files.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/records.h"

namespace sim {

namespace {

using platform::BOOL;
using platform::DWORD;

// Ends a copy: its journal record, and the last error when it failed. The call's result.
BOOL EndCopy(const char16_t* from, const char16_t* to, DWORD error) {
    const BOOL result = error == platform::ERROR_SUCCESS ? platform::kTrue : platform::kFalse;
    Journal("CopyFileW", {{"from", JsonText(from)}, {"to", JsonText(to)}, {"result", result}});
    if (error != platform::ERROR_SUCCESS) {
        platform::SetLastError(error);
    }
    return result;
}

// An existing destination opened for writing, or a new one created in its folder.
DWORD DestinationError(const std::filesystem::path& destination, bool replaces,
                       std::filesystem::path& target) {
    if (replaces) {
        return OpenCheckError(destination, false, platform::GENERIC_WRITE, 0);
    }
    target = CreationTarget(destination);
    std::error_code ec;
    if (target.empty() || !std::filesystem::is_directory(target.parent_path(), ec)) {
        return platform::ERROR_PATH_NOT_FOUND;
    }
    return CreateError(target.parent_path(), false);
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
    // A link is followed, as Windows follows it: a copy that must not replace fails on a link only when what
    // it leads to exists, and a link that leads to nothing gets its target created.
    const bool replaces = std::filesystem::exists(destinationStatus);
    if (replaces && failIfExists != platform::kFalse) {
        return platform::ERROR_FILE_EXISTS;
    }
    if (replaces && std::filesystem::equivalent(source, destination, ec)) {
        return platform::ERROR_SHARING_VIOLATION;
    }
    std::filesystem::path target;
    // The source is opened for reading, sharing only reading.
    DWORD error = OpenCheckError(source, false, platform::GENERIC_READ, platform::FILE_SHARE_READ);
    if (error == platform::ERROR_SUCCESS) {
        error = DestinationError(destination, replaces, target);
    }
    if (error != platform::ERROR_SUCCESS) {
        return error;
    }
    if (!CopyHostFile(source, destination)) {
        return platform::ERROR_ACCESS_DENIED;
    }
    if (!replaces) {
        NoteCreated(target);
        NoteNewObject(target, std::nullopt);
    }
    return platform::ERROR_SUCCESS;
}

} // namespace

} // namespace sim

namespace platform {

BOOL CopyFileW(const char16_t* existingFile, const char16_t* newFile, BOOL failIfExists) {
    const DWORD error = (existingFile != nullptr && newFile != nullptr)
                            ? sim::Copy(existingFile, newFile, failIfExists)
                            : ERROR_INVALID_PARAMETER;
    return sim::EndCopy(existingFile, newFile, error);
}

BOOL CopyFileToHandle(const char16_t* existingFile, Handle newFileHandle, const char16_t* newFile) {
    const std::filesystem::path source =
        existingFile != nullptr ? sim::HostPath(existingFile) : std::filesystem::path();
    const int out = sim::WriteDescriptor(newFileHandle);
    const sim::Json* fault = sim::HasFault("CopyFileToHandle")
                                 ? sim::FindFault("CopyFileToHandle", {{"to", sim::JsonText(newFile)}})
                                 : nullptr;
    sim::HostFile in;
    DWORD error = ERROR_SUCCESS;
    if (!sim::FindHandleObject(newFileHandle)) {
        error = ERROR_INVALID_HANDLE;
    } else if (source.empty()) {
        error = ERROR_PATH_NOT_FOUND;
    } else if (sim::OpenRegularFile(source, in) != sim::HostRead::Read) {
        error = ERROR_FILE_NOT_FOUND;
    } else if (out < 0) {
        error = ERROR_ACCESS_DENIED;
    } else if (fault != nullptr) {
        // A disk that fills up, or a device that fails, part-way: the file ends where the copy stopped.
        sim::CopyInto(in, out, in.Size() / 2);
        error = sim::FaultCode(*fault, ERROR_GEN_FAILURE);
    } else if (!sim::CopyInto(in, out)) {
        error = ERROR_ACCESS_DENIED;
    }
    return sim::EndCopy(existingFile, newFile, error);
}

} // namespace platform
