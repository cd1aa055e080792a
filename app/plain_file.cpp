#include "app/plain_file.h"

#include "platform/files.h"

using namespace platform;

namespace {

constexpr std::size_t kFolderPathText = 512;
constexpr DWORD kKeepInPlace = FILE_SHARE_READ | FILE_SHARE_WRITE;

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

} // namespace

Handle OpenPlainFile(const char16_t* path, DWORD access, DWORD creation, bool& linked) {
    linked = false;
    const Handle file =
        CreateFileW(path, access, kKeepInPlace, nullptr, creation, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == InvalidHandleValue()) {
        return file;
    }
    ByHandleFileInformation information{};
    const bool known = GetFileInformationByHandle(file, &information) != kFalse;
    linked = known && ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
                       information.nNumberOfLinks > 1);
    if (!known || linked || (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(file);
        SetLastError(ERROR_ACCESS_DENIED);
        return InvalidHandleValue();
    }
    return file;
}

bool HoldRealFolders(const char16_t* folderPath, HeldFolders& held) {
    held.count = 0;
    char16_t prefix[kFolderPathText] = {};
    // The drive root ("C:\") is the system's own; the folders below it are checked.
    std::size_t length = 0;
    for (; folderPath[length] != 0 && length + 1 < kFolderPathText; ++length) {
        prefix[length] = folderPath[length];
        const bool end = folderPath[length + 1] == 0;
        const bool separator = folderPath[length + 1] == u'\\' && length > 2;
        if (!end && !separator) {
            continue;
        }
        if (held.count == kHeldFolders) {
            return false;
        }
        const Handle folder = CreateFileW(prefix, GENERIC_READ, kKeepInPlace, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (folder == InvalidHandleValue()) {
            return IsMissing(GetLastError());
        }
        held.handles[held.count++] = folder;
        ByHandleFileInformation information{};
        if (GetFileInformationByHandle(folder, &information) == kFalse ||
            (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return false;
        }
        if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return true;
        }
    }
    return folderPath[length] == 0;
}

void ReleaseFolders(HeldFolders& held) {
    for (std::size_t i = 0; i < held.count; ++i) {
        CloseHandle(held.handles[i]);
    }
    held.count = 0;
}
