#include "app/folder_security.h"

#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "app/diagnostics.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/text.h"

using namespace platform;

namespace {

// SECURITY_MAX_SID_SIZE: a revision, a count, a six-byte authority and at most 15 sub-authorities.
constexpr std::size_t kMaxSubAuthorities = 15;
constexpr std::size_t kMaxSid = 8 + 4 * kMaxSubAuthorities;

// A SID in its binary layout: the authority big-endian, the sub-authorities little-endian.
struct Sid {
    BYTE bytes[kMaxSid];
    std::size_t size;
};

constexpr Sid MakeSid(BYTE authority, std::initializer_list<DWORD> subAuthorities) {
    Sid sid{};
    sid.bytes[0] = 1;
    sid.bytes[1] = static_cast<BYTE>(subAuthorities.size());
    sid.bytes[7] = authority;
    std::size_t at = 8;
    for (const DWORD value : subAuthorities) {
        for (unsigned shift = 0; shift < 32; shift += 8) {
            sid.bytes[at++] = static_cast<BYTE>(value >> shift);
        }
    }
    sid.size = at;
    return sid;
}

constexpr Sid kSystem = MakeSid(5, {18});
constexpr Sid kAdministrators = MakeSid(5, {32, 544});
constexpr Sid kUsers = MakeSid(5, {32, 545});
constexpr Sid kCreatorOwner = MakeSid(3, {0});
constexpr Sid kOwnerRights = MakeSid(3, {4});
constexpr Sid kTrustedInstaller = MakeSid(5, {80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464});

// The length of the SID at bytes, or 0 when it is not one or does not fit in available bytes.
std::size_t SidLength(const BYTE* bytes, std::size_t available) {
    if (bytes == nullptr || available < 8 || bytes[0] != 1 || bytes[1] > kMaxSubAuthorities) {
        return 0;
    }
    const std::size_t length = 8 + 4 * std::size_t{bytes[1]};
    return length <= available ? length : 0;
}

// The account the process runs as, which owns what the run creates where the system's default owner is the
// creator; empty when it cannot be read.
const Sid& ProcessUser() {
    static const Sid user = [] {
        Sid read{};
        if (GetProcessUserSid(read.bytes, sizeof read.bytes) != kFalse) {
            read.size = SidLength(read.bytes, sizeof read.bytes);
        }
        return read;
    }();
    return user;
}

bool IsSid(const BYTE* bytes, std::size_t length, const Sid& sid) {
    return sid.size != 0 && length == sid.size && std::memcmp(bytes, sid.bytes, length) == 0;
}

bool IsAnyOf(const BYTE* bytes, std::size_t length, std::initializer_list<const Sid*> sids) {
    for (const Sid* sid : sids) {
        if (IsSid(bytes, length, *sid)) {
            return true;
        }
    }
    return false;
}

constexpr std::size_t kAclHeader = 8;
constexpr std::size_t kAceHeader = 8;
// Five entries of at most 24 bytes each, with room to spare.
constexpr std::size_t kMaxList = 256;
constexpr DWORD kReadExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;

// An access list in its binary layout, built entry by entry.
struct AccessList {
    alignas(4) BYTE bytes[kMaxList];
    std::size_t size;
    WORD count;
};

void AddEntry(AccessList& list, BYTE flags, DWORD mask, const Sid& sid) {
    const std::size_t entry = kAceHeader + sid.size;
    if (list.size + entry > sizeof list.bytes) {
        return; // the lists below fit; a list cut short grants less, never more
    }
    BYTE* at = list.bytes + list.size;
    at[0] = ACCESS_ALLOWED_ACE_TYPE;
    at[1] = flags;
    WriteLittleEndian(at + 2, static_cast<DWORD>(entry), 2);
    WriteLittleEndian(at + 4, mask, 4);
    std::memcpy(at + kAceHeader, sid.bytes, sid.size);
    list.size += entry;
    ++list.count;
    list.bytes[0] = ACL_REVISION;
    WriteLittleEndian(list.bytes + 2, static_cast<DWORD>(list.size), 2);
    WriteLittleEndian(list.bytes + 4, list.count, 2);
}

// SYSTEM and Administrators full control, Users read and execute, inherited by everything below; in the
// staging folder users may also create files (the per-user data files, which other software writes as the
// console user), and the creator of a file keeps control of it.
AccessList RunList(bool staging) {
    AccessList list{};
    list.size = kAclHeader;
    constexpr BYTE kInherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    AddEntry(list, kInherited, FILE_ALL_ACCESS, kSystem);
    AddEntry(list, kInherited, FILE_ALL_ACCESS, kAdministrators);
    AddEntry(list, kInherited, kReadExecute, kUsers);
    if (staging) {
        AddEntry(list, 0, FILE_WRITE_DATA, kUsers);
        AddEntry(list, OBJECT_INHERIT_ACE | INHERIT_ONLY_ACE, FILE_ALL_ACCESS, kCreatorOwner);
    }
    return list;
}

// The rights an entry grants on a file or folder: its generic rights mapped, and only the standard and
// specific rights, which are all that an entry of an access list grants.
DWORD FileRights(DWORD mask) {
    constexpr DWORD kStandardAndSpecific = 0x00FFFFFFu;
    return MapGenericFileRights(mask) & kStandardAndSpecific;
}

// What an entry of another account may not grant: on the staging folder anything beyond reading and
// creating files; on a folder above it, changing or removing the folder or its entries. Adding entries to a
// folder above is what C:\ProgramData's own list lets every folder in it inherit, and changes nothing of the
// staging path, whose every folder the run holds and checks.
DWORD ForbiddenRights(bool staging) {
    return staging ? ~(kReadExecute | FILE_WRITE_DATA)
                   : (DELETE | WRITE_DAC | WRITE_OWNER | FILE_DELETE_CHILD);
}

bool IsDenyEntry(BYTE type) {
    // ACCESS_DENIED, ACCESS_DENIED_OBJECT, ACCESS_DENIED_CALLBACK, ACCESS_DENIED_CALLBACK_OBJECT.
    return type == 1 || type == 6 || type == 10 || type == 12;
}

// Why an access list lets another account change the folder; null when it does not. Every read is bounded
// by the sizes the list and its entries state.
const char* ListProblem(const BYTE* list, bool staging) {
    if (list == nullptr) {
        return "grants everyone full control";
    }
    const std::size_t size = ReadLittleEndian16(list + 2);
    const std::size_t count = ReadLittleEndian16(list + 4);
    std::size_t at = kAclHeader;
    for (std::size_t i = 0; i < count; ++i) {
        if (at + kAceHeader > size) {
            return "has an access list that cannot be read";
        }
        const BYTE* entry = list + at;
        const std::size_t entrySize = ReadLittleEndian16(entry + 2);
        if (entrySize < kAceHeader || at + entrySize > size) {
            return "has an access list that cannot be read";
        }
        at += entrySize;
        if (IsDenyEntry(entry[0]) || (entry[1] & INHERIT_ONLY_ACE) != 0) {
            continue;
        }
        if (entry[0] != ACCESS_ALLOWED_ACE_TYPE) {
            return "has an access entry the run cannot judge";
        }
        const std::size_t sid = SidLength(entry + kAceHeader, entrySize - kAceHeader);
        if (sid == 0) {
            return "has an access list that cannot be read";
        }
        const bool trusted =
            IsAnyOf(entry + kAceHeader, sid,
                    {&kSystem, &kAdministrators, &kTrustedInstaller, &kCreatorOwner, &kOwnerRights});
        if (!trusted && (FileRights(ReadLittleEndian32(entry + 4)) & ForbiddenRights(staging)) != 0) {
            return "lets another account change it";
        }
    }
    return nullptr;
}

// The owner and access list of the object behind handle; false when they cannot be read. The block is
// released with LocalFree.
bool ReadSecurity(Handle handle, const BYTE*& owner, const BYTE*& list, void*& block) {
    void* ownerSid = nullptr;
    void* dacl = nullptr;
    block = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        &ownerSid, nullptr, &dacl, nullptr, &block) != ERROR_SUCCESS) {
        return false;
    }
    owner = static_cast<const BYTE*>(ownerSid);
    list = static_cast<const BYTE*>(dacl);
    return true;
}

// Why the folder is not the run's to use as it is; null when it is.
const char* FolderProblem(Handle held, bool staging) {
    const BYTE* owner = nullptr;
    const BYTE* list = nullptr;
    void* block = nullptr;
    if (!ReadSecurity(held, owner, list, block)) {
        return "cannot be read";
    }
    const std::size_t ownerSize = SidLength(owner, kMaxSid);
    const char* problem =
        IsAnyOf(owner, ownerSize, {&kSystem, &kAdministrators, &kTrustedInstaller, &ProcessUser()})
            ? ListProblem(list, staging)
            : "is owned by another account";
    LocalFree(block);
    return problem;
}

// Gives the folder owner Administrators and the run's protected list.
bool TakeBack(const char16_t* path, bool staging) {
    const Handle folder =
        CreateFileW(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder == InvalidHandleValue()) {
        return false;
    }
    AccessList list = RunList(staging);
    Sid owner = kAdministrators;
    const DWORD result = SetSecurityInfo(folder, SE_FILE_OBJECT,
                                         OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                             PROTECTED_DACL_SECURITY_INFORMATION,
                                         owner.bytes, nullptr, list.bytes, nullptr);
    CloseHandle(folder);
    return result == ERROR_SUCCESS;
}

constexpr std::size_t kDescriptorHeader = 20;

struct FolderDescriptor {
    alignas(8) BYTE bytes[kDescriptorHeader + kMaxList];
    SecurityAttributes attributes;
};

} // namespace

const SecurityAttributes* StagingFolderAttributes() {
    static const FolderDescriptor descriptor = [] {
        FolderDescriptor built{};
        const AccessList list = RunList(true);
        built.bytes[0] = SECURITY_DESCRIPTOR_REVISION;
        WriteLittleEndian(built.bytes + 2, SE_SELF_RELATIVE | SE_DACL_PRESENT | SE_DACL_PROTECTED, 2);
        WriteLittleEndian(built.bytes + 16, static_cast<DWORD>(kDescriptorHeader), 4);
        std::memcpy(built.bytes + kDescriptorHeader, list.bytes, list.size);
        return built;
    }();
    static const SecurityAttributes attributes{sizeof(SecurityAttributes),
                                               const_cast<BYTE*>(descriptor.bytes), kFalse};
    return &attributes;
}

bool CheckRunFolder(Handle held, const char16_t* path, bool staging) {
    const char* problem = FolderProblem(held, staging);
    if (problem == nullptr) {
        return true;
    }
    if (TakeBack(path, staging)) {
        TraceA("Staging folder - %ws %s, taken back", path, problem);
        return true;
    }
    TraceA("Staging folder - %ws %s and cannot be taken back, the staging folder is left alone", path,
           problem);
    PrintConsoleA("Staging folder left alone: %ws %s and cannot be taken back\n", path, problem);
    return false;
}

bool OwnedByRun(Handle file) {
    const BYTE* owner = nullptr;
    const BYTE* list = nullptr;
    void* block = nullptr;
    if (!ReadSecurity(file, owner, list, block)) {
        return false;
    }
    const bool system =
        IsAnyOf(owner, SidLength(owner, kMaxSid), {&kSystem, &kAdministrators, &ProcessUser()});
    LocalFree(block);
    return system;
}
