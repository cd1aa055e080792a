// Where the machine's Windows paths lie on the host: drive C: is the folder C of the root, names are found
// ignoring ASCII letter case, and a path too long for a program without long-path awareness is refused.
// Internal to the sim backend.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

#include "platform/types.h"

namespace sim {

// MAX_PATH: a program without long-path awareness cannot use a full path of this many characters.
constexpr std::size_t kMaxPath = 260;

// Why a Windows path has no host path.
enum class PathFault {
    None,
    NotOnDrive, // relative ("x", "C:x"), UNC or device path
    TooLong,    // a full path of kMaxPath characters or more
};

// The host path of a Windows path on the machine's drives: "C:\a\b" is root/C/a/b; a path starting with a
// separator is on drive C:; "\" and "/" both separate; each existing component is found ignoring ASCII
// letter case, the others keep the case given. Empty for a path that names no drive or whose full path has
// kMaxPath characters or more, as Windows refuses such paths before they reach the file system; fault
// (when given) says which.
std::filesystem::path HostPath(std::u16string_view windowsPath, PathFault* fault = nullptr);

// Whether a Windows path names a place on a drive ("C:\a", or "\a" on drive C:), not a relative, UNC or
// device path.
bool IsDrivePath(std::u16string_view windowsPath);

// The error for a host path that names nothing: ERROR_PATH_NOT_FOUND when its folder is missing too, else
// ERROR_FILE_NOT_FOUND.
platform::DWORD MissingError(const std::filesystem::path& host);

// Tells the name look-ups that the sim has just created host (a file or a folder), so that a folder the run
// writes into is never read again to find its new names.
void NoteCreated(const std::filesystem::path& host);

} // namespace sim
