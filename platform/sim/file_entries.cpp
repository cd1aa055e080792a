// The JSON form of a file's entry (file_entries.h).
#include "platform/sim/file_entries.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

#include "platform/security.h"
#include "platform/sim/description.h"
#include "platform/text.h"

namespace sim {

namespace {

using platform::DWORD;

struct Named {
    std::string_view name;
    DWORD value;
};

constexpr std::array<Named, 16> kRights{{
    {"full", platform::FILE_ALL_ACCESS},
    {"modify", platform::FILE_GENERIC_READ | platform::FILE_GENERIC_WRITE | platform::FILE_GENERIC_EXECUTE |
                   platform::DELETE},
    {"readExecute", platform::FILE_GENERIC_READ | platform::FILE_GENERIC_EXECUTE},
    {"read", platform::FILE_GENERIC_READ},
    {"write", platform::FILE_GENERIC_WRITE},
    {"delete", platform::DELETE},
    {"readControl", platform::READ_CONTROL},
    {"writeDac", platform::WRITE_DAC},
    {"writeOwner", platform::WRITE_OWNER},
    {"addFile", platform::FILE_WRITE_DATA},
    {"addFolder", platform::FILE_APPEND_DATA},
    {"deleteChild", platform::FILE_DELETE_CHILD},
    {"writeAttributes", platform::FILE_WRITE_ATTRIBUTES},
    {"writeEa", platform::FILE_WRITE_EA},
    {"listFolder", platform::FILE_READ_DATA},
    {"traverse", platform::FILE_EXECUTE},
}};

constexpr std::array<Named, 4> kInherit{{
    {"object", platform::OBJECT_INHERIT_ACE},
    {"container", platform::CONTAINER_INHERIT_ACE},
    {"inheritOnly", platform::INHERIT_ONLY_ACE},
    {"noPropagate", platform::NO_PROPAGATE_INHERIT_ACE},
}};

template <std::size_t N> std::string NameList(const std::array<Named, N>& names) {
    std::string list;
    for (const Named& named : names) {
        list += (list.empty() ? "" : ", ") + std::string(named.name);
    }
    return list;
}

template <std::size_t N>
DWORD NamedValue(const std::array<Named, N>& names, const Json& value, const std::string& path) {
    const auto found = std::find_if(names.begin(), names.end(), [&](const Named& named) {
        return value.is_string() && value.get_ref<const std::string&>() == named.name;
    });
    if (found == names.end()) {
        FailAt(path, "must be one of " + NameList(names));
    }
    return found->value;
}

bool Bool(const Json& json, const char* key, const std::string& path, bool fallback) {
    if (!json.contains(key)) {
        return fallback;
    }
    if (!json[key].is_boolean()) {
        FailAt(MemberPath(path, key), "must be true or false");
    }
    return json[key].get<bool>();
}

Sid Account(const Json& value, const std::string& path) {
    const std::optional<Sid> sid =
        value.is_string() ? AccountSid(value.get_ref<const std::string&>()) : std::nullopt;
    if (!sid) {
        FailAt(path,
               "must name an account (SYSTEM, Administrators, Users, Everyone, Authenticated Users, CREATOR "
               "OWNER, OWNER RIGHTS, TrustedInstaller, Administrator, a user name or a SID \"S-1-...\")");
    }
    return *sid;
}

DWORD Rights(const Json& value, const std::string& path) {
    if (value.is_number_unsigned() || (value.is_number_integer() && value.get<int64_t>() >= 0)) {
        if (value.get<uint64_t>() > UINT32_MAX) {
            FailAt(path, "must be a 32-bit access mask");
        }
        return static_cast<DWORD>(value.get<uint64_t>());
    }
    if (!value.is_array()) {
        return NamedValue(kRights, value, path);
    }
    DWORD mask = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        mask |= NamedValue(kRights, value[i], ElementPath(path, i));
    }
    return mask;
}

Ace ReadAce(const Json& json, const std::string& path) {
    if (!json.is_object()) {
        FailAt(path, "must be an object");
    }
    for (const auto& [key, member] : json.items()) {
        if (key != "allow" && key != "deny" && key != "rights" && key != "inherit" && key != "inherited") {
            FailAt(MemberPath(path, key), "is not a known key");
        }
    }
    if (json.contains("allow") == json.contains("deny")) {
        FailAt(path, "must give either \"allow\" or \"deny\"");
    }
    if (!json.contains("rights")) {
        FailAt(path, "must give its \"rights\"");
    }
    const bool allow = json.contains("allow");
    Ace ace{allow ? platform::ACCESS_ALLOWED_ACE_TYPE : platform::ACCESS_DENIED_ACE_TYPE, 0,
            Rights(json["rights"], MemberPath(path, "rights")),
            Account(json[allow ? "allow" : "deny"], MemberPath(path, allow ? "allow" : "deny"))};
    if (json.contains("inherit")) {
        const Json& inherit = json["inherit"];
        if (!inherit.is_array()) {
            FailAt(MemberPath(path, "inherit"), "must be an array");
        }
        for (std::size_t i = 0; i < inherit.size(); ++i) {
            ace.flags |= static_cast<uint8_t>(
                NamedValue(kInherit, inherit[i], ElementPath(MemberPath(path, "inherit"), i)));
        }
    }
    if (Bool(json, "inherited", path, false)) {
        ace.flags |= platform::INHERITED_ACE;
    }
    return ace;
}

std::optional<Acl> ReadList(const Json& json, const std::string& path) {
    if (json.is_null()) {
        return std::nullopt;
    }
    if (!json.is_array()) {
        FailAt(path, "must be an array or null");
    }
    Acl acl;
    for (std::size_t i = 0; i < json.size(); ++i) {
        acl.push_back(ReadAce(json[i], ElementPath(path, i)));
    }
    return acl;
}

DWORD ReparseTag(const Json& value, const std::string& path) {
    const std::string text = value.is_string() ? value.get<std::string>() : std::string();
    char* end = nullptr;
    const unsigned long long tag = std::strtoull(text.c_str(), &end, 0);
    if (text.empty() || end == nullptr || *end != '\0' || tag == 0 || tag > UINT32_MAX) {
        FailAt(path, "must be a reparse tag \"0x...\"");
    }
    if (platform::IsReparseTagNameSurrogate(static_cast<DWORD>(tag))) {
        FailAt(path, "names a link: a link is a symbolic link on the host");
    }
    return static_cast<DWORD>(tag);
}

Json RightsJson(DWORD mask) {
    const auto named =
        std::find_if(kRights.begin(), kRights.end(), [&](const Named& n) { return n.value == mask; });
    return named != kRights.end() ? Json(named->name) : Json(mask);
}

Json AceJson(const Ace& ace) {
    Json json{{ace.type == platform::ACCESS_DENIED_ACE_TYPE ? "deny" : "allow", AccountName(ace.sid)},
              {"rights", RightsJson(ace.mask)}};
    Json inherit = Json::array();
    for (const Named& flag : kInherit) {
        if ((ace.flags & flag.value) != 0) {
            inherit.push_back(flag.name);
        }
    }
    json["inherit"] = inherit;
    json["inherited"] = (ace.flags & platform::INHERITED_ACE) != 0;
    return json;
}

} // namespace

FileEntry ReadFileEntry(const Json& json, const std::string& path, const FileEntry& fallback) {
    if (!json.is_object()) {
        FailAt(path, "must be an object");
    }
    for (const auto& [key, member] : json.items()) {
        if (key != "owner" && key != "acl" && key != "protected" && key != "readOnly" &&
            key != "reparseTag" && key != "locked") {
            FailAt(MemberPath(path, key), "is not a known key");
        }
    }
    FileEntry entry = fallback;
    if (json.contains("owner")) {
        entry.descriptor.owner = Account(json["owner"], MemberPath(path, "owner"));
    }
    if (json.contains("acl")) {
        entry.descriptor.dacl = ReadList(json["acl"], MemberPath(path, "acl"));
    }
    entry.descriptor.isProtected = Bool(json, "protected", path, fallback.descriptor.isProtected);
    entry.readOnly = Bool(json, "readOnly", path, fallback.readOnly);
    entry.locked = Bool(json, "locked", path, fallback.locked);
    if (json.contains("reparseTag")) {
        entry.reparseTag = ReparseTag(json["reparseTag"], MemberPath(path, "reparseTag"));
    }
    return entry;
}

Json FileEntryJson(const FileEntry& entry) {
    Json acl = Json();
    if (entry.descriptor.dacl) {
        acl = Json::array();
        for (const Ace& ace : *entry.descriptor.dacl) {
            acl.push_back(AceJson(ace));
        }
    }
    Json json{{"owner", AccountName(entry.descriptor.owner)},
              {"acl", acl},
              {"protected", entry.descriptor.isProtected},
              {"readOnly", entry.readOnly},
              {"locked", entry.locked}};
    if (entry.reparseTag != 0) {
        json["reparseTag"] = platform::Hex32(entry.reparseTag);
    }
    return json;
}

} // namespace sim
