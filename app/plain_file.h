// Files and folders that the elevated run writes, where other users may have planted links: opened
// without following a link, checked through the handle, and held so that nobody can delete or rename
// them (and so swap a link in) while the run writes.
#pragma once

#include <cstddef>

#include "platform/types.h"

// Opens path for access (GENERIC_READ or GENERIC_WRITE) without following a link, sharing read and
// write but not deletion. InvalidHandleValue when it cannot be opened, or when it is not a plain file: a
// reparse point, a folder, or a file with more than one hard link; linked then says whether it was a link.
platform::Handle OpenPlainFile(const char16_t* path, platform::DWORD access, platform::DWORD creation,
                               bool& linked);

// The folders of one path, held open from below the drive root down.
inline constexpr std::size_t kHeldFolders = 16;
struct HeldFolders {
    platform::Handle handles[kHeldFolders];
    std::size_t count;
};

// Opens each folder of folderPath below the drive root, from the top, without following links, and holds
// it so that it can be neither deleted nor renamed. Stops at the first name that is missing or is a plain
// file. False when one of them is a reparse point (or cannot be checked).
bool HoldRealFolders(const char16_t* folderPath, HeldFolders& held);
void ReleaseFolders(HeldFolders& held);
