// Fuzzes the reading of a profile's tags as text: the decoding of raw tag bytes, and the whole tag
// extraction (the colour system's profile reader and the decoding) on fuzzed profiles, in memory.
#include <cstddef>
#include <cstdint>
#include <span>

#include "app/run_context.h"
#include "fuzz/fuzz_machine.h"
#include "platform/color_system.h"
#include "platform/text.h"
#include "profile/icc_tag.h"
#include "profile/tag_text.h"

namespace {

// Never opened: the profile is open already when extraction starts.
constexpr char16_t kProfile[] = u"C:\\fuzz.icm";
constexpr std::size_t kText = 512;

// The signatures tried on every file: the private tags, and the XYZ ones.
constexpr uint32_t kSignatures[] = {MakeTagSignature("pngm"), MakeTagSignature("pntp"),
                                    MakeTagSignature("i1tp"), MakeTagSignature("wtpt"),
                                    MakeTagSignature("rXYZ")};

void DecodeRaw(const uint8_t* data, std::size_t size) {
    if (size < 8) {
        return;
    }
    // First four bytes: the signature; next four: the claimed tag size; the rest: the tag's head.
    const std::span<const uint8_t> head(data + 8, size - 8);
    char text[kText];
    DecodeTagText(platform::ReadBigEndian32(data), head, platform::ReadBigEndian32(data + 4), text,
                  1 + data[4] % kText);
}

// The whole tag extraction on the profile: the colour system's profile reader opens it (from memory,
// as a file's bytes) into the run context, and each tag is read and decoded as text.
void ExtractFromProfile(const uint8_t* data, std::size_t size) {
    ResetRunContext();
    // The colour system only reads a profile's buffer.
    platform::Profile profile{platform::PROFILE_MEMBUFFER, const_cast<uint8_t*>(data),
                              static_cast<platform::DWORD>(size)};
    g_pIcmFile = platform::OpenColorProfileW(&profile, platform::PROFILE_READ, platform::FILE_SHARE_READ,
                                             platform::OPEN_EXISTING);
    if (g_pIcmFile == nullptr) {
        return;
    }
    for (const uint32_t signature : kSignatures) {
        char16_t text[kText] = {};
        ParserICCTag(kProfile, text, kText, signature);
        if (platform::WLen(text) >= kText) {
            __builtin_trap();
        }
    }
    ResetRunContext();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    LoadFuzzMachine("icc-tag");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    DecodeRaw(data, size);
    ExtractFromProfile(data, size);
    return 0;
}
