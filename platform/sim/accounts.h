// Accounts of the simulated machine: SIDs in their binary Windows layout, the names a machine description
// gives them, and the process's token, an elevated administrator without the backup, restore or
// take-ownership privilege. Internal to the sim backend.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

// A SID as Windows lays it out: revision 1, the count of sub-authorities, the identifier authority in six
// big-endian bytes, then the sub-authorities as little-endian 32-bit numbers.
using Sid = std::string;

// SID_MAX_SUB_AUTHORITIES, and the size of the largest SID.
constexpr std::size_t kMaxSubAuthorities = 15;
constexpr std::size_t kMaxSidBytes = 8 + 4 * kMaxSubAuthorities;

Sid MakeSid(uint64_t authority, std::initializer_list<uint32_t> subAuthorities);

// The SID at data, read no further than its own count says (at most kMaxSidBytes); nullopt when it is not
// one (another revision, more than 15 sub-authorities, more bytes than available).
std::optional<Sid> ReadSid(const uint8_t* data, std::size_t available);

// The text form, "S-1-5-32-544".
std::string SidText(const Sid& sid);

const Sid& SystemSid();
const Sid& AdministratorsSid();
const Sid& UsersSid();
const Sid& CreatorOwnerSid();
const Sid& OwnerRightsSid();

// The SID of an account as a machine description names it: a well-known account ("SYSTEM",
// "Administrators", "Users", "Everyone", "Authenticated Users", "CREATOR OWNER", "OWNER RIGHTS",
// "TrustedInstaller", ignoring case), "Administrator" (the process's own user), a SID in its text form, or
// any other name: a standard user of the machine's domain with a RID made from the name. Nullopt for an
// empty name or a malformed SID text.
std::optional<Sid> AccountSid(std::string_view name);
// The name a description gives the SID: its account name where it has one, else its text form.
std::string AccountName(const Sid& sid);

// The account the process runs as ("Administrator").
const Sid& ProcessUserSid();
// Whether the process's token holds the SID: its user, Administrators, Users, Everyone or Authenticated
// Users.
bool InToken(const Sid& sid);
// Whether the process may make the SID an object's owner without privileges: its user or Administrators.
bool MayOwn(const Sid& sid);

} // namespace sim
