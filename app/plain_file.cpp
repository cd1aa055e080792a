#include "app/plain_file.h"

#include "app/folder_security.h"
#include "platform/files.h"
#include "platform/security.h"

using namespace platform;

namespace {

constexpr std::size_t kFolderPathText = 512;

// Whether the name behind handle is a name surrogate: a symbolic link or a junction. Other reparse points
// are the file or folder itself. A reparse point whose tag cannot be read counts as a link.
bool IsNameSurrogate(Handle handle, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return false;
    }
    FileAttributeTagInformation tag{};
    return GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) == kFalse ||
           IsReparseTagNameSurrogate(tag.ReparseTag);
}

// What the handle's file is, when it is a plain file: not a link, not a folder, one name.
bool PlainFileInformation(Handle file, ByHandleFileInformation& information, bool& linked) {
    information = {};
    const bool known = GetFileInformationByHandle(file, &information) != kFalse;
    linked = known && (IsNameSurrogate(file, information.dwFileAttributes) || information.nNumberOfLinks > 1);
    return known && !linked && (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

Handle OpenPlainFile(const char16_t* path, DWORD access, DWORD share, DWORD creation, bool& linked) {
    linked = false;
    const Handle file =
        CreateFileW(path, access, share, nullptr, creation, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == InvalidHandleValue()) {
        return file;
    }
    ByHandleFileInformation information{};
    if (!PlainFileInformation(file, information, linked)) {
        CloseHandle(file);
        SetLastError(ERROR_ACCESS_DENIED);
        return InvalidHandleValue();
    }
    return file;
}

Handle HoldStagedFile(const char16_t* path) {
    bool linked = false;
    const Handle file = OpenPlainFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, linked);
    if (file != InvalidHandleValue() && !OwnedByRun(file)) {
        CloseHandle(file);
        return InvalidHandleValue();
    }
    return file;
}

bool StillNamesHeldFile(Handle held, const char16_t* path) {
    ByHandleFileInformation heldInformation{};
    bool linked = false;
    if (!PlainFileInformation(held, heldInformation, linked)) {
        return false;
    }
    const Handle named =
        OpenPlainFile(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      OPEN_EXISTING, linked);
    if (named == InvalidHandleValue()) {
        return false;
    }
    ByHandleFileInformation namedInformation{};
    const bool same = GetFileInformationByHandle(named, &namedInformation) != kFalse &&
                      namedInformation.dwVolumeSerialNumber == heldInformation.dwVolumeSerialNumber &&
                      namedInformation.nFileIndexHigh == heldInformation.nFileIndexHigh &&
                      namedInformation.nFileIndexLow == heldInformation.nFileIndexLow;
    CloseHandle(named);
    return same;
}

bool HoldRealFolders(const char16_t* folderPath, HeldFolders& held) {
    held.count = 0;
    held.folders = 0;
    held.failedLength = 0;
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
        held.failedLength = length + 1;
        if (held.count == kHeldFolders) {
            return false;
        }
        const Handle folder =
            CreateFileW(prefix, GENERIC_READ, end ? FILE_SHARE_READ : kKeepInPlace, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (folder == InvalidHandleValue()) {
            return IsMissing(GetLastError());
        }
        held.handles[held.count] = folder;
        held.lengths[held.count++] = length + 1;
        ByHandleFileInformation information{};
        if (GetFileInformationByHandle(folder, &information) == kFalse ||
            IsNameSurrogate(folder, information.dwFileAttributes)) {
            return false;
        }
        held.failedLength = 0;
        if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return true;
        }
        held.folders = held.count;
    }
    return folderPath[length] == 0;
}

void ReleaseFolders(HeldFolders& held) {
    for (std::size_t i = 0; i < held.count; ++i) {
        CloseHandle(held.handles[i]);
    }
    held.count = 0;
    held.folders = 0;
}
