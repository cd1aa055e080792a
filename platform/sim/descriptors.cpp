// Security descriptors, their binary layouts, inheritance and the access check (descriptors.h).
#include "platform/sim/descriptors.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/security.h"
#include "platform/text.h"

namespace sim {

namespace {

using platform::DWORD;

constexpr std::size_t kAclHeader = 8;
constexpr std::size_t kAceHeader = 8;
constexpr std::size_t kDescriptorHeader = 20;
constexpr uint8_t kMinAclRevision = 2;
constexpr uint8_t kMaxAclRevision = 4;
constexpr uint8_t kInheritance = platform::OBJECT_INHERIT_ACE | platform::CONTAINER_INHERIT_ACE;

// The entry as the child receives it: CREATOR OWNER standing for the owner, generic rights mapped.
Ace Effective(const Ace& ace, const Sid& owner, uint8_t flags) {
    return {ace.type, flags, platform::MapGenericFileRights(ace.mask),
            ace.sid == CreatorOwnerSid() ? owner : ace.sid};
}

// What a folder's entry passes on to a subfolder: an entry that applies to it and passes on further (split
// into an effective entry and an inherit-only copy where CREATOR OWNER or generic rights must be resolved
// for the subfolder but kept for those below), or an inherit-only entry for the files below.
void InheritIntoFolder(const Ace& ace, const Sid& owner, Acl& inherited) {
    const bool container = (ace.flags & platform::CONTAINER_INHERIT_ACE) != 0;
    const bool noPropagate = (ace.flags & platform::NO_PROPAGATE_INHERIT_ACE) != 0;
    const uint8_t passedOn = static_cast<uint8_t>((ace.flags & kInheritance) | platform::INHERITED_ACE);
    if (!container) {
        if (!noPropagate) {
            inherited.push_back(
                {ace.type, static_cast<uint8_t>(passedOn | platform::INHERIT_ONLY_ACE), ace.mask, ace.sid});
        }
        return;
    }
    if (noPropagate) {
        inherited.push_back(Effective(ace, owner, platform::INHERITED_ACE));
        return;
    }
    const bool resolved =
        ace.sid != CreatorOwnerSid() && platform::MapGenericFileRights(ace.mask) == ace.mask;
    if (resolved) {
        inherited.push_back({ace.type, passedOn, ace.mask, ace.sid});
        return;
    }
    inherited.push_back(Effective(ace, owner, platform::INHERITED_ACE));
    inherited.push_back(
        {ace.type, static_cast<uint8_t>(passedOn | platform::INHERIT_ONLY_ACE), ace.mask, ace.sid});
}

} // namespace

std::string AclBytes(const Acl& acl) {
    std::string entries;
    for (const Ace& ace : acl) {
        entries.push_back(static_cast<char>(ace.type));
        entries.push_back(static_cast<char>(ace.flags));
        platform::AppendLittleEndian(entries, static_cast<uint32_t>(kAceHeader + ace.sid.size()), 2);
        platform::AppendLittleEndian(entries, ace.mask, 4);
        entries += ace.sid;
    }
    std::string bytes{static_cast<char>(platform::ACL_REVISION), 0};
    platform::AppendLittleEndian(bytes, static_cast<uint32_t>(kAclHeader + entries.size()), 2);
    platform::AppendLittleEndian(bytes, static_cast<uint32_t>(acl.size()), 2);
    platform::AppendLittleEndian(bytes, 0, 2);
    return bytes + entries;
}

std::optional<Acl> ReadAcl(const uint8_t* data) {
    if (data == nullptr || data[0] < kMinAclRevision || data[0] > kMaxAclRevision) {
        return std::nullopt;
    }
    const std::size_t size = platform::ReadLittleEndian16(data + 2);
    const std::size_t count = platform::ReadLittleEndian16(data + 4);
    if (size < kAclHeader) {
        return std::nullopt;
    }
    Acl acl;
    std::size_t at = kAclHeader;
    for (std::size_t i = 0; i < count; ++i) {
        if (size - at < kAceHeader) {
            return std::nullopt;
        }
        const uint8_t* ace = data + at;
        const std::size_t aceSize = platform::ReadLittleEndian16(ace + 2);
        const std::optional<Sid> sid = aceSize >= kAceHeader && aceSize <= size - at
                                           ? ReadSid(ace + kAceHeader, aceSize - kAceHeader)
                                           : std::nullopt;
        if (!sid ||
            (ace[0] != platform::ACCESS_ALLOWED_ACE_TYPE && ace[0] != platform::ACCESS_DENIED_ACE_TYPE)) {
            return std::nullopt;
        }
        acl.push_back({ace[0], ace[1], platform::ReadLittleEndian32(ace + 4), *sid});
        at += aceSize;
    }
    return acl;
}

SelfRelative SelfRelativeBytes(const Descriptor& descriptor, DWORD info) {
    const bool withOwner = (info & platform::OWNER_SECURITY_INFORMATION) != 0;
    const bool withDacl = (info & platform::DACL_SECURITY_INFORMATION) != 0;
    uint32_t control = platform::SE_SELF_RELATIVE;
    if (withDacl) {
        control |= platform::SE_DACL_PRESENT | platform::SE_DACL_AUTO_INHERITED;
        control |= descriptor.isProtected ? platform::SE_DACL_PROTECTED : 0u;
    }
    const std::string dacl = withDacl && descriptor.dacl ? AclBytes(*descriptor.dacl) : std::string();
    const std::size_t ownerOffset = withOwner ? kDescriptorHeader : 0;
    const std::size_t daclOffset =
        dacl.empty() ? 0 : kDescriptorHeader + (withOwner ? descriptor.owner.size() : 0);
    std::string bytes{static_cast<char>(platform::SECURITY_DESCRIPTOR_REVISION), 0};
    platform::AppendLittleEndian(bytes, control, 2);
    for (const std::size_t offset : {ownerOffset, std::size_t{0}, std::size_t{0}, daclOffset}) {
        platform::AppendLittleEndian(bytes, static_cast<uint32_t>(offset), 4);
    }
    if (withOwner) {
        bytes += descriptor.owner;
    }
    return {bytes + dacl, ownerOffset, daclOffset};
}

std::optional<GivenDescriptor> ReadSelfRelative(const uint8_t* data) {
    if (data == nullptr || data[0] != platform::SECURITY_DESCRIPTOR_REVISION) {
        return std::nullopt;
    }
    const uint16_t control = platform::ReadLittleEndian16(data + 2);
    const uint32_t ownerOffset = platform::ReadLittleEndian32(data + 4);
    const uint32_t daclOffset = platform::ReadLittleEndian32(data + 16);
    if ((control & platform::SE_SELF_RELATIVE) == 0) {
        return std::nullopt; // an absolute descriptor holds pointers, which the sim does not follow
    }
    GivenDescriptor given;
    given.isProtected = (control & platform::SE_DACL_PROTECTED) != 0;
    given.daclPresent = (control & platform::SE_DACL_PRESENT) != 0;
    if (ownerOffset != 0) {
        given.owner = ReadSid(data + ownerOffset, kMaxSidBytes);
        if (!given.owner) {
            return std::nullopt;
        }
    }
    if (given.daclPresent && daclOffset != 0) {
        given.dacl = ReadAcl(data + daclOffset);
        if (!given.dacl) {
            return std::nullopt;
        }
    }
    return given;
}

Acl ExplicitEntries(const Acl& given, bool keepInherited) {
    Acl kept;
    for (Ace ace : given) {
        if ((ace.flags & platform::INHERITED_ACE) != 0 && !keepInherited) {
            continue;
        }
        if ((ace.flags & platform::INHERIT_ONLY_ACE) == 0) {
            ace.mask = platform::MapGenericFileRights(ace.mask);
        }
        kept.push_back(ace);
    }
    return kept;
}

Acl InheritedEntries(const Acl& folderList, bool childIsFolder, const Sid& owner) {
    Acl inherited;
    for (const Ace& ace : folderList) {
        if (childIsFolder) {
            InheritIntoFolder(ace, owner, inherited);
        } else if ((ace.flags & platform::OBJECT_INHERIT_ACE) != 0) {
            inherited.push_back(Effective(ace, owner, platform::INHERITED_ACE));
        }
    }
    return inherited;
}

Acl TokenDefaultList() {
    return {{platform::ACCESS_ALLOWED_ACE_TYPE, 0, platform::FILE_ALL_ACCESS, AdministratorsSid()},
            {platform::ACCESS_ALLOWED_ACE_TYPE, 0, platform::FILE_ALL_ACCESS, SystemSid()}};
}

DWORD GrantedAccess(const Descriptor& descriptor, DWORD desired) {
    desired = platform::MapGenericFileRights(desired);
    if (!descriptor.dacl) {
        return desired;
    }
    const Acl& acl = *descriptor.dacl;
    const bool owner = InToken(descriptor.owner);
    const bool ownerRights = std::any_of(acl.begin(), acl.end(), [](const Ace& ace) {
        return ace.sid == OwnerRightsSid() && (ace.flags & platform::INHERIT_ONLY_ACE) == 0;
    });
    DWORD granted = owner && !ownerRights ? desired & (platform::READ_CONTROL | platform::WRITE_DAC) : 0;
    DWORD denied = 0;
    for (const Ace& ace : acl) {
        const bool applies = InToken(ace.sid) || (owner && ace.sid == OwnerRightsSid());
        if ((ace.flags & platform::INHERIT_ONLY_ACE) != 0 || !applies) {
            continue;
        }
        const DWORD decided = platform::MapGenericFileRights(ace.mask) & desired & ~(granted | denied);
        if (ace.type == platform::ACCESS_DENIED_ACE_TYPE) {
            denied |= decided;
        } else {
            granted |= decided;
        }
    }
    return granted;
}

} // namespace sim
