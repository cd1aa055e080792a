#include "profile/icc_tag.h"

#include <algorithm>
#include <vector>

#include "app/diagnostics.h"
#include "app/run_context.h"
#include "platform/code_page.h"
#include "platform/color_system.h"
#include "platform/files.h"
#include "platform/text.h"
#include "profile/tag_text.h"

namespace {

// The narrow path buffer of the first open, in bytes with the terminator.
constexpr int kNarrowPath = 260;
// Tags up to this size are read whole: some colour systems (Wine's among them) refuse a buffer shorter
// than the tag. A longer tag is read only as far as decoding needs, so no read grows with the file.
constexpr std::size_t kWholeTagBytes = 64 * 1024;

// The composition check for the narrow path, where the ANSI code page allows conversion flags at all:
// Windows refuses every flag but WC_ERR_INVALID_CHARS for UTF-8 and GB18030, and any flag for UTF-7, the
// symbol code page and the ISO-2022 and ISCII code pages. A machine that uses UTF-8 as its ANSI code page
// must still open its profile.
platform::DWORD CompositeCheckFlags() {
    constexpr platform::UINT kRefuseFlags[] = {42,    50220, 50221, 50222, 50225,
                                               50227, 50229, 54936, 65000, 65001};
    const platform::UINT codePage = platform::GetACP();
    const bool iscii = codePage >= 57002 && codePage <= 57011;
    const bool refuses = iscii || std::find(std::begin(kRefuseFlags), std::end(kRefuseFlags), codePage) !=
                                      std::end(kRefuseFlags);
    return refuses ? 0 : platform::WC_COMPOSITECHECK;
}

// Opens the profile into g_pIcmFile. The path goes through the ANSI code page, as a narrow open of it
// would see it, and back to UTF-16 for the colour system; a path that does not fit the narrow buffer
// is not opened at all rather than opened cut short.
bool OpenCachedProfile(const char16_t* profilePath) {
    char narrow[kNarrowPath] = {};
    if (platform::WideCharToMultiByte(platform::CP_ACP, CompositeCheckFlags(), profilePath, -1, narrow,
                                      kNarrowPath, nullptr, nullptr) == 0) {
        return false;
    }
    char16_t wide[kNarrowPath] = {};
    const int units = platform::MultiByteToWideChar(platform::CP_ACP, 0, narrow, -1, wide, kNarrowPath);
    if (units == 0) {
        return false;
    }
    platform::Profile profile{
        platform::PROFILE_FILENAME, wide,
        static_cast<platform::DWORD>(static_cast<std::size_t>(units) * sizeof(char16_t))};
    g_pIcmFile = platform::OpenColorProfileW(&profile, platform::PROFILE_READ, platform::FILE_SHARE_READ,
                                             platform::OPEN_EXISTING);
    return g_pIcmFile != nullptr;
}

// Reads the tag, or for a long one the first bytes that decoding needs; its full size goes to tagSize.
bool ReadTagHead(platform::HPROFILE profile, uint32_t signature, std::size_t capacity,
                 std::vector<uint8_t>& head, uint32_t& tagSize) {
    platform::BOOL present = platform::kFalse;
    if (!platform::IsColorProfileTagPresent(profile, signature, &present) || !present) {
        return false;
    }
    platform::BOOL reference = platform::kFalse;
    // Asked without a buffer, the colour system gives the tag's size and reports failure.
    platform::DWORD size = 0;
    platform::GetColorProfileElement(profile, signature, 0, &size, nullptr, &reference);
    if (size == 0) {
        return false;
    }
    tagSize = size;
    head.resize(size <= kWholeTagBytes ? size : std::min<std::size_t>(size, TagBytesNeeded(capacity)));
    platform::DWORD wanted = static_cast<platform::DWORD>(head.size());
    if (!platform::GetColorProfileElement(profile, signature, 0, &wanted, head.data(), &reference)) {
        return false;
    }
    head.resize(std::min<std::size_t>(wanted, head.size()));
    return true;
}

} // namespace

TagReading ReadTagNarrow(platform::HPROFILE profile, uint32_t signature, char* text, std::size_t capacity) {
    std::vector<uint8_t> head;
    uint32_t tagSize = 0;
    if (capacity == 0 || !ReadTagHead(profile, signature, capacity, head, tagSize)) {
        return {};
    }
    return {DecodeTagText(signature, head, tagSize, text, capacity), TagTypeOf(head)};
}

int TagTextToWide(platform::UINT codePage, const char* narrow, char16_t* text, std::size_t capacity) {
    // Every ANSI code page gives at most one UTF-16 unit per byte, so the cut narrow text fits; the
    // conversion goes through a scratch buffer all the same, so that a failure leaves text untouched.
    std::vector<char16_t> wide(capacity, u'\0');
    const int limit = static_cast<int>(std::min<std::size_t>(capacity, 0x7FFFFFFF));
    if (capacity == 0 || platform::MultiByteToWideChar(codePage, 0, narrow, -1, wide.data(), limit) == 0) {
        return 0;
    }
    platform::WCopy(text, capacity, wide.data());
    return 1;
}

int ParserICCTag(const char16_t* profilePath, char16_t* text, std::size_t capacity, uint32_t signature) {
    TraceA("ParserICCTag is called!!");
    if (g_pIcmFile == nullptr && !OpenCachedProfile(profilePath)) {
        return 0;
    }
    std::vector<char> narrow(capacity, '\0');
    if (ReadTagNarrow(g_pIcmFile, signature, narrow.data(), capacity).outcome != TagOutcome::Text) {
        return 0;
    }
    return TagTextToWide(platform::CP_ACP, narrow.data(), text, capacity);
}
