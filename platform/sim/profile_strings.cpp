// Profile-string (INI) files on the machine's drives: the file read, edited in memory as profile_text.h
// does and written back. Only regular files are read: a FIFO or a device is refused without blocking.
#include "platform/profile_strings.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/sim/file_handles.h"
#include "platform/sim/file_security.h"
#include "platform/sim/host_files.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/profile_text.h"
#include "platform/sim/records.h"
#include "platform/text.h"

namespace platform {

namespace {

// A relative file name lies in the Windows folder, as Windows places it.
constexpr std::u16string_view kWindowsFolder = u"C:\\Windows\\";

std::filesystem::path DataFilePath(const char16_t* fileName) {
    std::u16string path(fileName);
    const bool hasDrive = path.size() >= 2 && path[1] == u':';
    const bool rooted = !path.empty() && IsPathSeparator(path[0]);
    if (!hasDrive && !rooted) {
        path.insert(0, kWindowsFolder);
    }
    return sim::HostPath(path);
}

// An existing file is overwritten in place and then cut to its new length: emptying it first would make
// some Linux file systems flush it to disk when it is closed, which makes every write slow.
bool WriteWhole(const std::filesystem::path& path, const std::string& bytes, bool exists) {
    std::fstream out(path, exists ? std::ios::binary | std::ios::in | std::ios::out
                                  : std::ios::binary | std::ios::out);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (out.fail()) {
        return false;
    }
    std::error_code error;
    std::filesystem::resize_file(path, bytes.size(), error);
    return !error;
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return kFalse;
}

// Opening the file as the profile-string calls open it, sharing reading and writing.
DWORD OpenError(const std::filesystem::path& host, DWORD access) {
    return sim::OpenCheckError(host, false, access, FILE_SHARE_READ | FILE_SHARE_WRITE);
}

// A missing file is created where its name leads (through a link that leads to nothing, its target), if its
// folder lets the process add files.
DWORD NewFileError(const std::filesystem::path& host, std::filesystem::path& target) {
    target = sim::CreationTarget(host);
    std::error_code error;
    if (target.empty() || !std::filesystem::is_directory(target.parent_path(), error)) {
        return ERROR_PATH_NOT_FOUND;
    }
    return sim::CreateError(target.parent_path(), false);
}

BOOL WriteProfileString(const char16_t* section, const char16_t* key, const char16_t* value,
                        const char16_t* fileName) {
    if (section == nullptr || fileName == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const std::filesystem::path host = DataFilePath(fileName);
    if (host.empty()) {
        return Fail(ERROR_PATH_NOT_FOUND);
    }
    std::string bytes;
    const sim::HostRead read = sim::ReadRegularFile(host, bytes);
    if (read == sim::HostRead::Refused) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    const bool exists = read == sim::HostRead::Read;
    std::filesystem::path target;
    const DWORD denied = exists ? OpenError(host, GENERIC_READ | GENERIC_WRITE) : NewFileError(host, target);
    if (denied != ERROR_SUCCESS) {
        return Fail(denied);
    }
    const std::string updated = sim::ProfileWrite(bytes, GetACP(), section, key, value);
    if (updated != bytes && !WriteWhole(host, updated, exists)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    if (!exists) {
        sim::NoteCreated(target);
        sim::NoteNewObject(target, std::nullopt);
    }
    return kTrue;
}

} // namespace

} // namespace platform

namespace platform {

UINT GetPrivateProfileIntW(const char16_t* section, const char16_t* key, int defaultValue,
                           const char16_t* fileName) {
    const auto fallback = static_cast<UINT>(defaultValue);
    if (section == nullptr || key == nullptr || fileName == nullptr) {
        return fallback;
    }
    const std::filesystem::path host = DataFilePath(fileName);
    std::string bytes;
    if (host.empty() || sim::ReadRegularFile(host, bytes) != sim::HostRead::Read ||
        OpenError(host, GENERIC_READ) != ERROR_SUCCESS) {
        return fallback;
    }
    return sim::ProfileInt(bytes, GetACP(), section, key, fallback);
}

BOOL WritePrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* value,
                                const char16_t* fileName) {
    const BOOL result = WriteProfileString(section, key, value, fileName);
    const DWORD error = GetLastError();
    sim::Journal("WritePrivateProfileStringW", {{"file", sim::JsonText(fileName)},
                                                {"section", sim::JsonText(section)},
                                                {"key", sim::JsonText(key)},
                                                {"value", sim::JsonText(value)},
                                                {"result", result}});
    SetLastError(error);
    return result;
}

} // namespace platform
