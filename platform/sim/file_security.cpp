// The security of the simulated machine's files and folders, and its state in security.json
// (file_security.h).
#include "platform/sim/file_security.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>
#include <unordered_map>

#include "platform/files.h"
#include "platform/security.h"
#include "platform/sim/description.h"
#include "platform/sim/host_files.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/machine.h"
#include "platform/text.h"

namespace sim {

namespace {

using platform::DWORD;

constexpr uint8_t kInheritance = platform::OBJECT_INHERIT_ACE | platform::CONTAINER_INHERIT_ACE;

// An entry the sim keeps: where its object lay when the sim last touched it (links resolved), and what it is.
struct Kept {
    std::filesystem::path host;
    FileEntry entry;
};

struct State {
    std::filesystem::path root;
    std::unordered_map<std::string, Kept> kept;
};

State& Current() {
    static State state;
    return state;
}

std::filesystem::path StateFile() {
    return Root() / "security.json";
}

// The place of an object as its path says, links above it resolved (the link itself kept for a link).
std::filesystem::path ResolvedPlace(const FileObject& object) {
    std::error_code ec;
    const std::filesystem::path place =
        object.link
            ? std::filesystem::weakly_canonical(object.host.parent_path(), ec) / object.host.filename()
            : std::filesystem::weakly_canonical(object.host, ec);
    return ec ? object.host : place;
}

// The Windows path of a host path inside the root ("C/a/b" as "C:\a\b"); empty outside the root.
std::u16string WindowsPath(const std::filesystem::path& host) {
    const std::filesystem::path relative = host.lexically_relative(Current().root);
    if (relative.empty() || *relative.begin() == "..") {
        return {};
    }
    std::u16string path;
    for (const std::filesystem::path& part : relative) {
        path += path.empty() ? platform::Utf8ToUtf16(part.string()) + u":\\"
                             : platform::Utf8ToUtf16(part.string()) + u"\\";
    }
    if (path.size() > 3) {
        path.pop_back();
    }
    return path;
}

bool IsDriveRoot(const std::filesystem::path& host) {
    return host.parent_path() == Root() || host.parent_path() == Current().root;
}

bool IsProgramData(const std::filesystem::path& host) {
    const std::filesystem::path drive = host.parent_path();
    return IsDriveRoot(drive) && platform::EqualNoCase(drive.filename().string(), "C") &&
           platform::EqualNoCase(host.filename().string(), "ProgramData");
}

Ace Allow(DWORD mask, const Sid& sid, uint8_t flags) {
    return {platform::ACCESS_ALLOWED_ACE_TYPE, flags, mask, sid};
}

// C:\ProgramData as Windows sets it up: users may create files and folders, and own what they create.
FileEntry ProgramDataEntry() {
    constexpr DWORD kCreate = platform::FILE_WRITE_DATA | platform::FILE_APPEND_DATA |
                              platform::FILE_WRITE_EA | platform::FILE_WRITE_ATTRIBUTES;
    constexpr DWORD kReadExecute = platform::FILE_GENERIC_READ | platform::FILE_GENERIC_EXECUTE;
    FileEntry entry;
    entry.descriptor = {
        SystemSid(),
        Acl{Allow(platform::FILE_ALL_ACCESS, SystemSid(), kInheritance),
            Allow(platform::FILE_ALL_ACCESS, AdministratorsSid(), kInheritance),
            Allow(platform::FILE_ALL_ACCESS, CreatorOwnerSid(), kInheritance | platform::INHERIT_ONLY_ACE),
            Allow(kReadExecute, UsersSid(), kInheritance),
            Allow(kCreate, UsersSid(), platform::CONTAINER_INHERIT_ACE)},
        true};
    return entry;
}

// The entry of an object that has none of its own: SYSTEM and Administrators full control, Users read and
// execute, inherited from the drive (a drive's root holds them itself).
FileEntry DefaultEntry(const FileObject& object) {
    if (IsProgramData(object.host)) {
        return ProgramDataEntry();
    }
    const uint8_t flags = static_cast<uint8_t>((object.folder ? kInheritance : 0) |
                                               (IsDriveRoot(object.host) ? 0 : platform::INHERITED_ACE));
    FileEntry entry;
    entry.descriptor = {
        AdministratorsSid(),
        Acl{Allow(platform::FILE_ALL_ACCESS, SystemSid(), flags),
            Allow(platform::FILE_ALL_ACCESS, AdministratorsSid(), flags),
            Allow(platform::FILE_GENERIC_READ | platform::FILE_GENERIC_EXECUTE, UsersSid(), flags)},
        false};
    return entry;
}

// The description's entry for the object, matched by the file its path names; null when it has none.
const Json* DescribedEntry(const FileObject& object, std::string& jsonPath) {
    const Json& description = Description();
    if (!description.contains("files")) {
        return nullptr;
    }
    for (const auto& [path, json] : description["files"].items()) {
        const std::optional<FileObject> named = ObjectAt(HostPath(platform::Utf8ToUtf16(path)), true);
        if (named && named->identity == object.identity) {
            jsonPath = MemberPath("files", path);
            return &json;
        }
    }
    return nullptr;
}

// The entry the sim keeps of the object, else the description's with fallback for what it leaves out.
std::optional<FileEntry> OwnEntry(const FileObject& object, const FileEntry& fallback) {
    const auto kept = Current().kept.find(object.identity);
    if (kept != Current().kept.end()) {
        return kept->second.entry;
    }
    std::string path;
    const Json* described = DescribedEntry(object, path);
    return described != nullptr ? std::optional<FileEntry>(ReadFileEntry(*described, path, fallback))
                                : std::nullopt;
}

void Keep(const FileObject& object, const FileEntry& entry) {
    Current().kept[object.identity] = Kept{ResolvedPlace(object), entry};
}

// The folder an object lies in, within the machine's drives.
std::optional<FileObject> FolderOf(const FileObject& object) {
    const std::filesystem::path place = ResolvedPlace(object);
    if (IsDriveRoot(place) || place == Current().root) {
        return std::nullopt;
    }
    return ObjectAt(place.parent_path(), false);
}

// The entries of a list that its folder gave it, replaced by what the folder passes on now.
Acl Reinherited(const std::optional<Acl>& own, const std::optional<Acl>& folderList, bool folder,
                const Sid& owner) {
    Acl acl = own ? ExplicitEntries(*own, false) : Acl();
    if (folderList) {
        const Acl inherited = InheritedEntries(*folderList, folder, owner);
        acl.insert(acl.end(), inherited.begin(), inherited.end());
    }
    return acl;
}

// Passes a folder's inheritable entries to everything below it whose list is not protected, as Windows does
// when a folder's list is set. Links below are given the entries but not followed.
void Propagate(const FileObject& folder, const FileEntry& folderEntry) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder.host, ec), end; !ec && it != end; it.increment(ec)) {
        const std::optional<FileObject> child = ObjectAt(it->path(), true);
        if (!child) {
            continue;
        }
        FileEntry entry = EntryOf(*child);
        if (entry.descriptor.isProtected || !entry.descriptor.dacl) {
            continue;
        }
        entry.descriptor.dacl = Reinherited(entry.descriptor.dacl, folderEntry.descriptor.dacl, child->folder,
                                            entry.descriptor.owner);
        Keep(*child, entry);
        if (child->folder && !child->link) {
            Propagate(*child, entry);
        }
    }
}

void Reset() {
    State& state = Current();
    state = State{};
    std::error_code ec;
    state.root = std::filesystem::weakly_canonical(Root(), ec);
    std::ifstream in(StateFile());
    const Json saved = in ? Json::parse(in, nullptr, false) : Json();
    if (!saved.is_object() || !saved.contains("files") || !saved["files"].is_object()) {
        return;
    }
    for (const auto& [path, json] : saved["files"].items()) {
        const std::optional<FileObject> object = ObjectAt(HostPath(platform::Utf8ToUtf16(path)), true);
        if (!object || !json.is_object() || json.value("identity", "") != object->identity) {
            continue; // the file is gone, or was replaced from outside the sim
        }
        Json fields = json;
        fields.erase("identity");
        try {
            Keep(*object, ReadFileEntry(fields, path, DefaultEntry(*object)));
        } catch (const MachineError&) {
            continue; // an entry the sim did not write: the file has its description's or its default
        }
    }
}

void Save() {
    Json files = Json::object();
    for (const auto& [identity, kept] : Current().kept) {
        const std::optional<FileObject> object = ObjectAt(kept.host, true);
        const std::u16string path = WindowsPath(kept.host);
        if (!object || object->identity != identity || path.empty()) {
            continue;
        }
        Json json = FileEntryJson(kept.entry);
        json["identity"] = identity;
        files[platform::Utf16ToUtf8(path)] = json;
    }
    std::error_code ec;
    if (!files.empty() || std::filesystem::exists(StateFile(), ec)) {
        std::ofstream(StateFile()) << Json{{"files", files}}.dump(2) << '\n';
    }
}

const ModuleRegistration kModule{{&Reset, &Save}};

} // namespace

std::optional<FileObject> ObjectAt(const std::filesystem::path& host, bool linkItself) {
    constexpr unsigned kWanted = STATX_TYPE | STATX_INO | STATX_BTIME;
    struct statx info {};
    if (host.empty() || ::statx(AT_FDCWD, host.c_str(), AT_SYMLINK_NOFOLLOW, kWanted, &info) != 0) {
        return std::nullopt;
    }
    const bool link = S_ISLNK(info.stx_mode);
    if (link && !linkItself && ::statx(AT_FDCWD, host.c_str(), 0, kWanted, &info) != 0) {
        return std::nullopt;
    }
    std::error_code ec;
    const bool folder = link && linkItself ? std::filesystem::is_directory(host, ec) : S_ISDIR(info.stx_mode);
    return FileObject{host, FileIdentity(info), folder, link && linkItself};
}

FileEntry EntryOf(const FileObject& object) {
    const FileEntry fallback = DefaultEntry(object);
    return OwnEntry(object, fallback).value_or(fallback);
}

DWORD AccessError(const FileObject& object, DWORD desired) {
    desired = platform::MapGenericFileRights(desired);
    const FileEntry entry = EntryOf(object);
    if (entry.readOnly && !object.folder &&
        (desired & (platform::FILE_WRITE_DATA | platform::FILE_APPEND_DATA)) != 0) {
        return platform::ERROR_ACCESS_DENIED;
    }
    DWORD missing = desired & ~GrantedAccess(entry.descriptor, desired);
    const std::optional<FileObject> folder =
        (missing & (platform::DELETE | platform::FILE_READ_ATTRIBUTES)) != 0 ? FolderOf(object)
                                                                             : std::nullopt;
    if (folder) {
        const Descriptor folderDescriptor = EntryOf(*folder).descriptor;
        if (GrantedAccess(folderDescriptor, platform::FILE_DELETE_CHILD) != 0) {
            missing &= ~platform::DELETE;
        }
        if (GrantedAccess(folderDescriptor, platform::FILE_READ_DATA) != 0) {
            missing &= ~platform::FILE_READ_ATTRIBUTES;
        }
    }
    return missing == 0 ? platform::ERROR_SUCCESS : platform::ERROR_ACCESS_DENIED;
}

DWORD DeleteError(const FileObject& object) {
    const DWORD error = AccessError(object, platform::DELETE);
    return error == platform::ERROR_SUCCESS && EntryOf(object).readOnly ? platform::ERROR_ACCESS_DENIED
                                                                        : error;
}

DWORD CreateError(const std::filesystem::path& folder, bool newFolder) {
    const std::optional<FileObject> object = ObjectAt(folder, false);
    if (!object) {
        return platform::ERROR_PATH_NOT_FOUND;
    }
    return AccessError(*object, newFolder ? platform::FILE_APPEND_DATA : platform::FILE_WRITE_DATA);
}

DWORD ReadGivenDescriptor(const void* securityAttributes, std::optional<GivenDescriptor>& given) {
    given.reset();
    const auto* attributes = static_cast<const platform::SecurityAttributes*>(securityAttributes);
    if (attributes == nullptr || attributes->lpSecurityDescriptor == nullptr) {
        return platform::ERROR_SUCCESS;
    }
    given = ReadSelfRelative(static_cast<const uint8_t*>(attributes->lpSecurityDescriptor));
    if (!given) {
        return platform::ERROR_INVALID_SECURITY_DESCR;
    }
    if (given->owner && !MayOwn(*given->owner)) {
        given.reset();
        return platform::ERROR_INVALID_OWNER;
    }
    return platform::ERROR_SUCCESS;
}

void NoteNewObject(const std::filesystem::path& host, const std::optional<GivenDescriptor>& given) {
    const std::optional<FileObject> object = ObjectAt(host, false);
    // The system's own folder keeps Windows' list for it, whoever makes it on a machine that lacks it.
    if (!object || (IsProgramData(ResolvedPlace(*object)) && !given)) {
        return;
    }
    FileEntry entry;
    entry.descriptor.owner = given && given->owner ? *given->owner : AdministratorsSid();
    if (given && given->daclPresent) {
        entry.descriptor.dacl =
            given->dacl ? std::optional<Acl>(ExplicitEntries(*given->dacl, true)) : std::nullopt;
        entry.descriptor.isProtected = given->isProtected;
    } else {
        const std::optional<FileObject> folder = FolderOf(*object);
        const std::optional<Acl> folderList = folder ? EntryOf(*folder).descriptor.dacl : std::nullopt;
        Acl inherited =
            folderList ? InheritedEntries(*folderList, object->folder, entry.descriptor.owner) : Acl();
        entry.descriptor.dacl = inherited.empty() ? TokenDefaultList() : inherited;
    }
    Keep(*object, entry);
}

void ForgetObject(const FileObject& object) {
    Current().kept.erase(object.identity);
}

void MoveEntry(const std::string& identity, const FileObject& object) {
    auto& kept = Current().kept;
    const auto found = kept.find(identity);
    if (found == kept.end()) {
        return;
    }
    const FileEntry entry = found->second.entry;
    kept.erase(found);
    Keep(object, entry);
}

void SetObjectSecurity(const FileObject& object, DWORD info, const Sid& owner,
                       const std::optional<Acl>& dacl) {
    FileEntry entry = EntryOf(object);
    if ((info & platform::OWNER_SECURITY_INFORMATION) != 0) {
        entry.descriptor.owner = owner;
    }
    if ((info & platform::DACL_SECURITY_INFORMATION) != 0) {
        Descriptor& descriptor = entry.descriptor;
        if ((info & platform::PROTECTED_DACL_SECURITY_INFORMATION) != 0) {
            descriptor.isProtected = true;
        } else if ((info & platform::UNPROTECTED_DACL_SECURITY_INFORMATION) != 0) {
            descriptor.isProtected = false;
        }
        const std::optional<FileObject> folder = descriptor.isProtected ? std::nullopt : FolderOf(object);
        if (!dacl) {
            descriptor.dacl = std::nullopt;
        } else if (descriptor.isProtected || !folder) {
            descriptor.dacl = ExplicitEntries(*dacl, true);
        } else {
            descriptor.dacl =
                Reinherited(dacl, EntryOf(*folder).descriptor.dacl, object.folder, descriptor.owner);
        }
    }
    Keep(object, entry);
    if ((info & platform::DACL_SECURITY_INFORMATION) != 0 && object.folder && !object.link) {
        Propagate(object, entry);
    }
}

DWORD EntryAttributeBits(const FileObject& object) {
    // Only an entry of its own makes a file read-only or a reparse point.
    const FileEntry entry = OwnEntry(object, FileEntry{}).value_or(FileEntry{});
    return (entry.readOnly ? platform::FILE_ATTRIBUTE_READONLY : 0u) |
           (entry.reparseTag != 0 ? platform::FILE_ATTRIBUTE_REPARSE_POINT : 0u);
}

DWORD ReparseTagOf(const FileObject& object) {
    if (object.link) {
        return object.folder ? platform::IO_REPARSE_TAG_MOUNT_POINT : platform::IO_REPARSE_TAG_SYMLINK;
    }
    return OwnEntry(object, FileEntry{}).value_or(FileEntry{}).reparseTag;
}

} // namespace sim
