// The colour system's profile reader on the simulated machine, over Little CMS: the open reads the
// header and the tag table, tags are read raw, on demand, from the file that stays open (or from the
// caller's memory, for a profile given as a buffer).
#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include <lcms2.h>

#include "platform/color_system.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/machine.h"

namespace platform {

namespace {

// Bad profiles are an ordinary outcome here: Little CMS must not print about them.
void SilentLog(cmsContext, cmsUInt32Number, const char*) {}

cmsHPROFILE AsLcms(HPROFILE profile) {
    return static_cast<cmsHPROFILE>(profile);
}

cmsTagSignature AsTag(TAGTYPE tag) {
    return static_cast<cmsTagSignature>(tag);
}

// A profile that the colour system cannot read is an invalid parameter.
HPROFILE Opened(cmsHPROFILE opened) {
    if (opened == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    return opened;
}

} // namespace

HPROFILE OpenColorProfileW(const Profile* profile, DWORD desiredAccess, DWORD, DWORD) {
    static std::once_flag silenced;
    std::call_once(silenced, [] { cmsSetLogErrorHandler(SilentLog); });
    if (profile == nullptr || (profile->dwType != PROFILE_FILENAME && profile->dwType != PROFILE_MEMBUFFER) ||
        profile->pProfileData == nullptr || desiredAccess != PROFILE_READ) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (profile->dwType == PROFILE_MEMBUFFER) {
        return Opened(cmsOpenProfileFromMem(profile->pProfileData, profile->cbDataSize));
    }
    const auto* name = static_cast<const char16_t*>(profile->pProfileData);
    const std::size_t units = profile->cbDataSize / sizeof(char16_t);
    sim::PathFault fault = sim::PathFault::None;
    const std::filesystem::path host =
        sim::HostPath(std::u16string_view(name, std::find(name, name + units, u'\0')), &fault);
    std::error_code error;
    if (host.empty() || !std::filesystem::is_regular_file(host, error)) {
        // The file is opened by name; a path the system refuses fails as that open does.
        SetLastError(fault == sim::PathFault::TooLong ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return Opened(cmsOpenProfileFromFile(host.c_str(), "r"));
}

BOOL IsColorProfileTagPresent(HPROFILE profile, TAGTYPE tag, BOOL* present) {
    if (profile == nullptr || present == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    *present = cmsIsTag(AsLcms(profile), AsTag(tag)) ? kTrue : kFalse;
    return kTrue;
}

BOOL GetColorProfileElement(HPROFILE profile, TAGTYPE tag, DWORD offset, DWORD* size, void* buffer,
                            BOOL* reference) {
    if (profile == nullptr || size == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    // Little CMS has already dropped tags of size 0 and tags that run past the end of the file, so the
    // size it reports is bounded by the file's.
    const cmsUInt32Number tagSize = cmsReadRawTag(AsLcms(profile), AsTag(tag), nullptr, 0);
    if (tagSize == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    if (reference != nullptr) {
        *reference = kFalse;
    }
    // As on Windows: without a buffer the whole tag's size is given, the offset ignored, and the call
    // reports failure.
    if (buffer == nullptr) {
        *size = tagSize;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return kFalse;
    }
    if (offset > tagSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    const DWORD count = std::min<DWORD>(*size, tagSize - offset);
    if (count == 0) {
        *size = 0;
        return kTrue;
    }
    // Little CMS reads a tag from its start only; a read from an offset reads the bytes before it too.
    std::vector<cmsUInt8Number> bytes(static_cast<std::size_t>(offset) + count);
    const cmsUInt32Number read =
        cmsReadRawTag(AsLcms(profile), AsTag(tag), bytes.data(), static_cast<cmsUInt32Number>(bytes.size()));
    if (read != bytes.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    std::memcpy(buffer, bytes.data() + offset, count);
    *size = count;
    return kTrue;
}

BOOL CloseColorProfile(HPROFILE profile) {
    if (profile == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return kFalse;
    }
    return cmsCloseProfile(AsLcms(profile)) ? kTrue : kFalse;
}

} // namespace platform
