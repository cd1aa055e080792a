// Security descriptors of the simulated machine's files and folders: an owner and an access list, the binary
// layouts in which they cross the platform interface (every read bounded by the sizes the bytes state), the
// entries a new file or folder inherits, and Windows' access check for the process's token. Internal to the
// sim backend.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/accounts.h"
#include "platform/types.h"

namespace sim {

// An access-allowed or access-denied entry.
struct Ace {
    uint8_t type;
    uint8_t flags;
    platform::DWORD mask;
    Sid sid;
    bool operator==(const Ace&) const = default;
};
using Acl = std::vector<Ace>;

// An object's owner and access list; no list (a null DACL) grants everyone everything. A protected list
// inherits no entries from the folder.
struct Descriptor {
    Sid owner;
    std::optional<Acl> dacl;
    bool isProtected = false;
    bool operator==(const Descriptor&) const = default;
};

// An ACL in its binary layout (revision 2).
std::string AclBytes(const Acl& acl);
// The ACL at data, read within the size its header states; nullopt when it is not a valid one (revision 2
// to 4, every entry within that size, every SID within its entry, entries other than allowed and denied).
std::optional<Acl> ReadAcl(const uint8_t* data);

// A self-relative security descriptor with the owner and the list that info asks for (OWNER_ and
// DACL_SECURITY_INFORMATION), and where in it they lie (0 for a part it does not hold or a null DACL).
struct SelfRelative {
    std::string bytes;
    std::size_t ownerOffset;
    std::size_t daclOffset;
};
SelfRelative SelfRelativeBytes(const Descriptor& descriptor, platform::DWORD info);

// What a self-relative security descriptor gives a new file or folder (the descriptor of a
// SECURITY_ATTRIBUTES): its owner when it has one, its list when it has one (a null DACL when the list is
// present without entries' bytes). Nullopt when it is not a valid one.
struct GivenDescriptor {
    std::optional<Sid> owner;
    bool daclPresent = false;
    std::optional<Acl> dacl;
    bool isProtected = false;
};
std::optional<GivenDescriptor> ReadSelfRelative(const uint8_t* data);

// A list as a caller sets it, as the object keeps it: generic rights of entries that apply to the object
// itself mapped to file rights; entries marked inherited dropped unless keepInherited.
Acl ExplicitEntries(const Acl& given, bool keepInherited);
// The entries that a file or folder inherits from its folder's list, CREATOR OWNER standing for owner.
Acl InheritedEntries(const Acl& folderList, bool childIsFolder, const Sid& owner);
// The list of an object created without a list of its own in a folder whose list passes none on: the
// token's default list, SYSTEM and Administrators with full control.
Acl TokenDefaultList();

// The rights of desired (generic rights mapped) that the descriptor grants the process's token: a null DACL
// grants all; the owner gets READ_CONTROL and WRITE_DAC unless an OWNER RIGHTS entry says otherwise; the
// entries that apply to the object are taken in order, a denied right staying denied.
platform::DWORD GrantedAccess(const Descriptor& descriptor, platform::DWORD desired);

} // namespace sim
