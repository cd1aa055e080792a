// A file's or folder's entry, as a machine description's "files" key gives it and as security.json keeps it:
// owner, access list, whether the list is protected, and the read-only attribute, the reparse tag and whether
// another process holds the file open. Internal to the sim backend.
#pragma once

#include <string>

#include "platform/sim/descriptors.h"
#include "platform/sim/machine.h"

namespace sim {

struct FileEntry {
    Descriptor descriptor;
    bool readOnly = false;
    // A reparse point that is not a link (a link is a symbolic link on the host): 0 for none.
    platform::DWORD reparseTag = 0;
    // Another process holds the file open with share mode 0.
    bool locked = false;
};

// The entry a JSON object gives; what it leaves out is taken from fallback. MachineError naming the value by
// its JSON path (path is the object's own) when a member is unknown or not of its kind:
//   {"owner": ACCOUNT, "acl": [ACE, ...] or null, "protected": bool, "readOnly": bool,
//    "reparseTag": "0x80000017", "locked": bool}
//   ACE: {"allow" or "deny": ACCOUNT, "rights": NAME, [NAME, ...] or a number,
//         "inherit": ["object", "container", "inheritOnly", "noPropagate"], "inherited": bool}
FileEntry ReadFileEntry(const Json& json, const std::string& path, const FileEntry& fallback);

// The JSON form of an entry, every member given; ReadFileEntry reads it back as it was.
Json FileEntryJson(const FileEntry& entry);

} // namespace sim
