// Files and folders that the elevated run writes, where other users may have planted links: opened
// without following a link, checked through the handle, and held so that nobody can delete or rename
// them (and so swap a link in) while the run writes.
#pragma once

#include <cstddef>

#include "platform/files.h"
#include "platform/types.h"

// Whether an open failed with this error because the name, or a folder above it, does not exist.
bool IsMissing(platform::DWORD error);

// Opens path for access without following a link, with the given share mode. InvalidHandleValue when it
// cannot be opened, or when it is not a plain file: a name surrogate (a symbolic link, a junction), a folder,
// or a file with more than one hard link; linked then says whether it was a link. A reparse point that is no
// name surrogate (a compressed, cloud or deduplicated file) is the file itself and opens.
platform::Handle OpenPlainFile(const char16_t* path, platform::DWORD access, platform::DWORD share,
                               platform::DWORD creation, bool& linked);

// The share mode that keeps a held name in place while others may still read and write it.
inline constexpr platform::DWORD kKeepInPlace = platform::FILE_SHARE_READ | platform::FILE_SHARE_WRITE;

// Holds a file of the staging folder for reading, so that nobody can write, delete or rename it meanwhile:
// a plain file of the run's owners (OwnedByRun). InvalidHandleValue otherwise.
platform::Handle HoldStagedFile(const char16_t* path);

// Whether the file held by held is still a plain file and still the one path names, read without
// following a link (same volume and file index).
bool StillNamesHeldFile(platform::Handle held, const char16_t* path);

// The folders of one path, held open from below the drive root down.
inline constexpr std::size_t kHeldFolders = 16;
struct HeldFolders {
    platform::Handle handles[kHeldFolders];
    // How many units of the path name each held folder.
    std::size_t lengths[kHeldFolders];
    std::size_t count;
    // How many of them are folders: all, or all but a plain file last that blocks the path.
    std::size_t folders;
    // When holding failed: how many units of the path name the folder that could not be held or checked.
    std::size_t failedLength;
};

// Opens each folder of folderPath below the drive root, from the top, without following links, and holds
// it so that it can be neither deleted nor renamed; the last one is also held without write sharing, so that
// nobody can open it for writing meanwhile (an empty folder opened for writing can be made a junction). Stops
// at the first name that is missing or is a plain file. False when one of them is a name surrogate (or
// cannot be checked or held).
bool HoldRealFolders(const char16_t* folderPath, HeldFolders& held);
void ReleaseFolders(HeldFolders& held);
