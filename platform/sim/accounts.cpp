// Accounts and the process's token on the simulated machine (accounts.h).
#include "platform/sim/accounts.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <stdexcept>
#include <vector>

#include "platform/text.h"

namespace sim {

namespace {

// The machine's own domain, S-1-5-21-1004336348-1177238915-682003330: its users' SIDs end in their RID.
constexpr uint32_t kDomain[] = {21, 1004336348u, 1177238915u, 682003330u};
// The RID of the built-in administrator, the account the process runs as.
constexpr uint32_t kAdministratorRid = 500;
// Users created on a machine get RIDs from 1000 on.
constexpr uint32_t kFirstUserRid = 1000;
constexpr uint32_t kUserRids = 1000000;

Sid DomainUser(uint32_t rid) {
    return MakeSid(5, {kDomain[0], kDomain[1], kDomain[2], kDomain[3], rid});
}

struct WellKnown {
    std::string_view name;
    Sid sid;
};

const std::vector<WellKnown>& WellKnownAccounts() {
    static const std::vector<WellKnown> accounts{
        {"SYSTEM", MakeSid(5, {18})},
        {"Administrators", MakeSid(5, {32, 544})},
        {"Users", MakeSid(5, {32, 545})},
        {"Everyone", MakeSid(1, {0})},
        {"Authenticated Users", MakeSid(5, {11})},
        {"CREATOR OWNER", MakeSid(3, {0})},
        {"OWNER RIGHTS", MakeSid(3, {4})},
        {"TrustedInstaller",
         MakeSid(5, {80, 956008885u, 3418522649u, 1831038044u, 1853292631u, 2271478464u})},
        {"Administrator", DomainUser(kAdministratorRid)},
    };
    return accounts;
}

const Sid& WellKnownSid(std::string_view name) {
    for (const WellKnown& account : WellKnownAccounts()) {
        if (account.name == name) {
            return account.sid;
        }
    }
    throw std::logic_error("the sim has no account " + std::string(name));
}

// FNV-1a of the name's upper-case form: one RID for a name whatever its case.
uint32_t NameHash(std::string_view name) {
    uint32_t hash = 2166136261u;
    for (const char c : platform::UpperAsciiText(std::string(name))) {
        hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    }
    return hash;
}

template <typename Number> bool ParseNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// "S-1-<authority>-<sub-authority>..." with one to fifteen sub-authorities.
std::optional<Sid> ParseSidText(std::string_view text) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t dash = text.find('-', start);
        parts.push_back(text.substr(start, dash - start));
        if (dash == std::string_view::npos) {
            break;
        }
        start = dash + 1;
    }
    uint64_t authority = 0;
    if (parts.size() < 4 || parts.size() > 3 + kMaxSubAuthorities || parts[0] != "S" || parts[1] != "1" ||
        !ParseNumber(parts[2], authority) || authority >= (uint64_t{1} << 48)) {
        return std::nullopt;
    }
    Sid sid = MakeSid(authority, {});
    for (std::size_t i = 3; i < parts.size(); ++i) {
        uint32_t sub = 0;
        if (!ParseNumber(parts[i], sub)) {
            return std::nullopt;
        }
        sid[1] = static_cast<char>(sid[1] + 1);
        platform::AppendLittleEndian(sid, sub, 4);
    }
    return sid;
}

} // namespace

Sid MakeSid(uint64_t authority, std::initializer_list<uint32_t> subAuthorities) {
    Sid sid{1, static_cast<char>(subAuthorities.size())};
    for (int shift = 40; shift >= 0; shift -= 8) {
        sid.push_back(static_cast<char>(authority >> shift));
    }
    for (const uint32_t sub : subAuthorities) {
        platform::AppendLittleEndian(sid, sub, 4);
    }
    return sid;
}

std::optional<Sid> ReadSid(const uint8_t* data, std::size_t available) {
    if (data == nullptr || available < 8 || data[0] != 1 || data[1] > kMaxSubAuthorities) {
        return std::nullopt;
    }
    const std::size_t size = 8 + 4 * std::size_t{data[1]};
    if (size > available) {
        return std::nullopt;
    }
    return Sid(reinterpret_cast<const char*>(data), size);
}

std::string SidText(const Sid& sid) {
    uint64_t authority = 0;
    for (std::size_t i = 2; i < 8 && i < sid.size(); ++i) {
        authority = (authority << 8) | static_cast<uint8_t>(sid[i]);
    }
    std::string text = "S-1-" + std::to_string(authority);
    for (std::size_t at = 8; at + 4 <= sid.size(); at += 4) {
        text += "-" + std::to_string(
                          platform::ReadLittleEndian32(reinterpret_cast<const uint8_t*>(sid.data() + at)));
    }
    return text;
}

const Sid& SystemSid() {
    return WellKnownSid("SYSTEM");
}

const Sid& AdministratorsSid() {
    return WellKnownSid("Administrators");
}

const Sid& UsersSid() {
    return WellKnownSid("Users");
}

const Sid& CreatorOwnerSid() {
    return WellKnownSid("CREATOR OWNER");
}

const Sid& OwnerRightsSid() {
    return WellKnownSid("OWNER RIGHTS");
}

std::optional<Sid> AccountSid(std::string_view name) {
    for (const WellKnown& account : WellKnownAccounts()) {
        if (platform::EqualNoCase(account.name, name)) {
            return account.sid;
        }
    }
    if (name.starts_with("S-") || name.starts_with("s-")) {
        return ParseSidText(platform::UpperAsciiText(std::string(name)));
    }
    if (name.empty()) {
        return std::nullopt;
    }
    return DomainUser(kFirstUserRid + NameHash(name) % kUserRids);
}

std::string AccountName(const Sid& sid) {
    for (const WellKnown& account : WellKnownAccounts()) {
        if (account.sid == sid) {
            return std::string(account.name);
        }
    }
    return SidText(sid);
}

const Sid& ProcessUserSid() {
    return WellKnownSid("Administrator");
}

bool InToken(const Sid& sid) {
    static const std::array<std::string_view, 5> token{"Administrator", "Administrators", "Users", "Everyone",
                                                       "Authenticated Users"};
    return std::any_of(token.begin(), token.end(),
                       [&](std::string_view account) { return WellKnownSid(account) == sid; });
}

bool MayOwn(const Sid& sid) {
    return sid == ProcessUserSid() || sid == AdministratorsSid();
}

} // namespace sim
