// The colour system's profile reader on the simulated machine. The open reads the header and makes sure
// the whole tag table is there; tags are looked up in the table and read raw, on demand, from the file
// that stays open (or from a copy of the caller's memory, for a profile given as a buffer).
//
// Little CMS judges the header (the "acsp" signature, the device class, the version); the tag table is
// read here, as Little CMS reads it but for two refusals of its own that Windows' reader is not known
// to share: a table of more than 100 entries, and one that names a signature twice. So a file is a
// profile when Little CMS accepts its header and the file holds the whole table; an entry counts when
// its tag has bytes and lies within the file and within the size the header gives; a signature named
// twice is found at its first entry that counts.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <lcms2.h>

#include "platform/color_system.h"
#include "platform/sim/handle_table.h"
#include "platform/sim/host_files.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/machine.h"
#include "platform/text.h"

namespace platform {

namespace {

constexpr uint64_t kHeaderBytes = 128;
constexpr uint64_t kTableStart = kHeaderBytes + 4;
constexpr uint64_t kEntryBytes = 12;
// Table entries read at a time while looking a tag up: a long table is never held whole.
constexpr std::size_t kEntriesPerRead = 256;

// An open profile: the file it reads, or the copy of the caller's buffer.
struct OpenProfile {
    sim::HostFile file;
    std::vector<uint8_t> memory;
    // Bytes of the file when it was opened, or of the buffer.
    uint64_t size = 0;
    // A tag counts only when it ends within this: the header's size, at most the file's.
    uint64_t tagLimit = 0;
    uint32_t count = 0;
};

sim::HandleTable<OpenProfile>& Profiles() {
    static sim::HandleTable<OpenProfile> profiles;
    return profiles;
}

// A loaded machine starts with no profile open.
void ResetProfiles() {
    Profiles().Clear();
}

const sim::ModuleRegistration kModule{{&ResetProfiles, nullptr}};

// Reads count bytes at offset, all of them or fail.
bool ReadAt(const OpenProfile& profile, uint64_t offset, void* out, std::size_t count) {
    if (offset > profile.size || count > profile.size - offset) {
        return false;
    }
    if (profile.file.IsOpen()) {
        return profile.file.ReadAt(offset, out, count);
    }
    std::memcpy(out, profile.memory.data() + offset, count);
    return true;
}

// Bad profiles are an ordinary outcome here: Little CMS must not print about them.
void SilentLog(cmsContext, cmsUInt32Number, const char*) {}

// Whether Little CMS accepts the header, shown to it with an empty tag table.
bool HeaderAccepted(std::array<uint8_t, kTableStart> header) {
    static std::once_flag silenced;
    std::call_once(silenced, [] { cmsSetLogErrorHandler(SilentLog); });
    std::fill(header.begin() + kHeaderBytes, header.end(), uint8_t{0});
    const cmsHPROFILE opened =
        cmsOpenProfileFromMem(header.data(), static_cast<cmsUInt32Number>(header.size()));
    return opened != nullptr && cmsCloseProfile(opened);
}

// Reads the header and the tag count, and checks that the whole table is there.
bool ReadHeader(OpenProfile& profile) {
    std::array<uint8_t, kTableStart> header{};
    if (!ReadAt(profile, 0, header.data(), header.size()) || !HeaderAccepted(header)) {
        return false;
    }
    profile.tagLimit = std::min<uint64_t>(ReadBigEndian32(header.data()), profile.size);
    profile.count = ReadBigEndian32(header.data() + kHeaderBytes);
    return kTableStart + uint64_t{profile.count} * kEntryBytes <= profile.size;
}

// A profile that the colour system cannot read is an invalid parameter.
HPROFILE Opened(std::unique_ptr<OpenProfile> profile) {
    if (!ReadHeader(*profile)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return Profiles().Add(std::move(profile));
}

HPROFILE OpenFromFile(const Profile& given) {
    const auto* name = static_cast<const char16_t*>(given.pProfileData);
    const std::size_t units = given.cbDataSize / sizeof(char16_t);
    sim::PathFault fault = sim::PathFault::None;
    const std::filesystem::path host =
        sim::HostPath(std::u16string_view(name, std::find(name, name + units, u'\0')), &fault);
    // Only a regular file, opened without waiting: a FIFO or a device is no profile file.
    auto profile = std::make_unique<OpenProfile>();
    if (host.empty() || sim::OpenRegularFile(host, profile->file) != sim::HostRead::Read) {
        // The file is opened by name; a path the system refuses fails as that open does.
        SetLastError(fault == sim::PathFault::TooLong ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    profile->size = profile->file.Size();
    return Opened(std::move(profile));
}

// Where a tag lies in the profile.
struct TagPlace {
    uint32_t offset;
    uint32_t size;
};

// The first table entry under the signature that counts, if any.
std::optional<TagPlace> FindTag(const OpenProfile& profile, TAGTYPE tag) {
    std::array<uint8_t, kEntriesPerRead * kEntryBytes> rows{};
    for (uint32_t first = 0; first < profile.count; first += kEntriesPerRead) {
        const std::size_t entries = std::min<std::size_t>(kEntriesPerRead, profile.count - first);
        if (!ReadAt(profile, kTableStart + first * kEntryBytes, rows.data(), entries * kEntryBytes)) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < entries; ++i) {
            const uint8_t* row = rows.data() + i * kEntryBytes;
            const TagPlace place{ReadBigEndian32(row + 4), ReadBigEndian32(row + 8)};
            if (ReadBigEndian32(row) == tag && place.offset != 0 && place.size != 0 &&
                uint64_t{place.offset} + place.size <= profile.tagLimit) {
                return place;
            }
        }
    }
    return std::nullopt;
}

} // namespace

HPROFILE OpenColorProfileW(const Profile* profile, DWORD desiredAccess, DWORD, DWORD) {
    if (profile == nullptr || (profile->dwType != PROFILE_FILENAME && profile->dwType != PROFILE_MEMBUFFER) ||
        profile->pProfileData == nullptr || desiredAccess != PROFILE_READ) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (profile->dwType == PROFILE_FILENAME) {
        return OpenFromFile(*profile);
    }
    auto opened = std::make_unique<OpenProfile>();
    const auto* bytes = static_cast<const uint8_t*>(profile->pProfileData);
    opened->memory.assign(bytes, bytes + profile->cbDataSize);
    opened->size = profile->cbDataSize;
    return Opened(std::move(opened));
}

BOOL IsColorProfileTagPresent(HPROFILE profile, TAGTYPE tag, BOOL* present) {
    const OpenProfile* open = Profiles().Find(profile);
    if (open == nullptr || present == nullptr) {
        SetLastError(open == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    *present = FindTag(*open, tag) ? kTrue : kFalse;
    return kTrue;
}

BOOL GetColorProfileElement(HPROFILE profile, TAGTYPE tag, DWORD offset, DWORD* size, void* buffer,
                            BOOL* reference) {
    const OpenProfile* open = Profiles().Find(profile);
    if (open == nullptr || size == nullptr) {
        SetLastError(open == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    const std::optional<TagPlace> place = FindTag(*open, tag);
    if (!place) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    if (reference != nullptr) {
        *reference = kFalse;
    }
    // As on Windows: without a buffer the whole tag's size is given, the offset ignored, and the call
    // reports failure.
    if (buffer == nullptr) {
        *size = place->size;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return kFalse;
    }
    if (offset > place->size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    const DWORD count = std::min<DWORD>(*size, place->size - offset);
    if (count > 0 && !ReadAt(*open, uint64_t{place->offset} + offset, buffer, count)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    *size = count;
    return kTrue;
}

BOOL CloseColorProfile(HPROFILE profile) {
    if (!Profiles().Close(profile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return kFalse;
    }
    return kTrue;
}

} // namespace platform
