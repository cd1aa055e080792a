// Conversion between the machine's code pages and UTF-16, with the argument, flag and buffer rules of
// the Windows functions.
#include "platform/code_page.h"

#include <algorithm>
#include <array>
#include <climits>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sim/code_pages.h"
#include "platform/sim/machine.h"
#include "platform/text.h"

namespace platform {

namespace {

constexpr DWORD kErrorInvalidFlags = 1004;
constexpr DWORD kErrorNoUnicodeTranslation = 1113;

constexpr DWORD kMbPrecomposed = 0x01;
constexpr DWORD kMbComposite = 0x02;
constexpr DWORD kMbUseGlyphChars = 0x04;
constexpr DWORD kMbErrInvalidChars = 0x08;

constexpr DWORD kWcDiscardNs = 0x10;
constexpr DWORD kWcSepChars = 0x20;
constexpr DWORD kWcDefaultChar = 0x40;
constexpr DWORD kWcErrInvalidChars = 0x80;
constexpr DWORD kWcNoBestFitChars = 0x400;

using sim::kLatin1;
using sim::kUtf8;

// Windows-1252's bytes 0x80 to 0x9F. The five bytes the code page leaves undefined map to the C1
// control characters of the same value, as Windows maps them, so that every byte survives a round trip.
constexpr std::array<char16_t, 32> kWindows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// A precomposed letter and the base letter and nonspacing mark it is made of.
struct Composition {
    char16_t composed;
    char16_t base;
    char16_t mark;
};

constexpr char16_t kGrave = 0x0300;
constexpr char16_t kAcute = 0x0301;
constexpr char16_t kCircumflex = 0x0302;
constexpr char16_t kTilde = 0x0303;
constexpr char16_t kDiaeresis = 0x0308;
constexpr char16_t kRing = 0x030A;
constexpr char16_t kCaron = 0x030C;
constexpr char16_t kCedilla = 0x0327;

// The capital letters of U+00C0 to U+00DD; each small letter lies 0x20 above its capital, as does its base.
constexpr std::array<Composition, 26> kLatin1Capitals{{
    {0xC0, u'A', kGrave},     {0xC1, u'A', kAcute},      {0xC2, u'A', kCircumflex}, {0xC3, u'A', kTilde},
    {0xC4, u'A', kDiaeresis}, {0xC5, u'A', kRing},       {0xC7, u'C', kCedilla},    {0xC8, u'E', kGrave},
    {0xC9, u'E', kAcute},     {0xCA, u'E', kCircumflex}, {0xCB, u'E', kDiaeresis},  {0xCC, u'I', kGrave},
    {0xCD, u'I', kAcute},     {0xCE, u'I', kCircumflex}, {0xCF, u'I', kDiaeresis},  {0xD1, u'N', kTilde},
    {0xD2, u'O', kGrave},     {0xD3, u'O', kAcute},      {0xD4, u'O', kCircumflex}, {0xD5, u'O', kTilde},
    {0xD6, u'O', kDiaeresis}, {0xD9, u'U', kGrave},      {0xDA, u'U', kAcute},      {0xDB, u'U', kCircumflex},
    {0xDC, u'U', kDiaeresis}, {0xDD, u'Y', kAcute},
}};

// The remaining precomposed letters of Windows-1252.
constexpr std::array<Composition, 6> kOtherCompositions{{
    {0xFF, u'y', kDiaeresis},
    {0x0178, u'Y', kDiaeresis},
    {0x0160, u'S', kCaron},
    {0x0161, u's', kCaron},
    {0x017D, u'Z', kCaron},
    {0x017E, u'z', kCaron},
}};

constexpr auto kCompositions = [] {
    std::array<Composition, 2 * kLatin1Capitals.size() + kOtherCompositions.size()> all{};
    std::size_t n = 0;
    for (const Composition& c : kLatin1Capitals) {
        all[n++] = c;
        all[n++] = {static_cast<char16_t>(c.composed + 0x20), static_cast<char16_t>(c.base + 0x20), c.mark};
    }
    for (const Composition& c : kOtherCompositions) {
        all[n++] = c;
    }
    return all;
}();

const Composition* FindComposed(char16_t composed) {
    const auto* found = std::find_if(kCompositions.begin(), kCompositions.end(),
                                     [composed](const Composition& c) { return c.composed == composed; });
    return found == kCompositions.end() ? nullptr : found;
}

std::optional<char16_t> Compose(char16_t base, char16_t mark) {
    for (const Composition& c : kCompositions) {
        if (c.base == base && c.mark == mark) {
            return c.composed;
        }
    }
    return std::nullopt;
}

bool IsNonspacingMark(char16_t unit) {
    return unit >= 0x0300 && unit <= 0x036F;
}

UINT AnsiCodePage() {
    const sim::Json& desc = sim::Current().desc;
    const auto it = desc.find("ansiCodePage");
    // A JSON integer is signed or unsigned depending on where it came from; validation keeps it in range.
    return it != desc.end() && it->is_number_integer() ? it->get<UINT>() : sim::kWindows1252;
}

UINT Resolve(UINT codePage) {
    return codePage == CP_ACP ? AnsiCodePage() : codePage;
}

char16_t DecodeByte(UINT codePage, unsigned char byte) {
    if (codePage != kLatin1 && byte >= 0x80 && byte < 0xA0) {
        return kWindows1252High[byte - 0x80u];
    }
    return byte;
}

std::optional<char> EncodeUnit(UINT codePage, char16_t unit) {
    const bool direct = codePage == kLatin1 ? unit <= 0xFF : (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF));
    if (direct) {
        return static_cast<char>(static_cast<unsigned char>(unit));
    }
    if (codePage != kLatin1) {
        const auto* found = std::find(kWindows1252High.begin(), kWindows1252High.end(), unit);
        if (found != kWindows1252High.end()) {
            return static_cast<char>(0x80 + (found - kWindows1252High.begin()));
        }
    }
    return std::nullopt;
}

int Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

// The code page to convert with, once the arguments are valid; otherwise null, with
// ERROR_INVALID_PARAMETER.
template <typename In, typename Out>
std::optional<UINT> CheckedCodePage(UINT codePage, const In* source, int sourceLength, const Out* dest,
                                    int destLength) {
    const bool valid = source != nullptr && sourceLength != 0 && sourceLength >= -1 && destLength >= 0 &&
                       (destLength == 0 || dest != nullptr) &&
                       static_cast<const void*>(source) != static_cast<const void*>(dest);
    const UINT resolved = Resolve(codePage);
    if (!valid || !sim::IsSupportedCodePage(resolved)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    return resolved;
}

template <typename Unit> std::basic_string_view<Unit> SourceView(const Unit* source, int sourceLength) {
    if (sourceLength == -1) {
        return {source, std::char_traits<Unit>::length(source) + 1};
    }
    return {source, static_cast<std::size_t>(sourceLength)};
}

// Copies the converted text into the caller's buffer, or only gives its length when the buffer's
// length is 0.
template <typename Unit> int Deliver(const std::basic_string<Unit>& converted, Unit* dest, int destLength) {
    if (converted.size() > static_cast<std::size_t>(INT_MAX) ||
        (destLength != 0 && converted.size() > static_cast<std::size_t>(destLength))) {
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    if (destLength == 0) {
        return static_cast<int>(converted.size());
    }
    std::copy(converted.begin(), converted.end(), dest);
    return static_cast<int>(converted.size());
}

std::u16string Utf8Convert(std::string_view text) {
    return Utf8ToUtf16(text);
}
std::string Utf8Convert(std::u16string_view text) {
    return Utf16ToUtf8(text);
}

// UTF-8 in either direction. The only flag is the one that makes invalid input fail the call; without
// it, invalid input becomes U+FFFD. Only valid input converts back to itself.
template <typename From, typename To>
int ConvertUtf8(std::basic_string_view<From> text, DWORD flags, DWORD strictFlag, To* dest, int destLength) {
    if ((flags & ~strictFlag) != 0) {
        return Fail(kErrorInvalidFlags);
    }
    const auto converted = Utf8Convert(text);
    if ((flags & strictFlag) != 0 && Utf8Convert(converted) != text) {
        return Fail(kErrorNoUnicodeTranslation);
    }
    return Deliver(converted, dest, destLength);
}

bool ValidSingleByteFlags(DWORD flags) {
    const DWORD composite = flags & (kWcDiscardNs | kWcSepChars | kWcDefaultChar);
    if ((flags & ~(WC_COMPOSITECHECK | kWcDiscardNs | kWcSepChars | kWcDefaultChar | kWcNoBestFitChars)) !=
        0) {
        return false;
    }
    if (composite != 0 && (flags & WC_COMPOSITECHECK) == 0) {
        return false;
    }
    return (composite & (composite - 1)) == 0;
}

// Converts UTF-16 to a single-byte code page; returns whether the default character was used.
// With WC_COMPOSITECHECK a base letter followed by a nonspacing mark becomes the precomposed letter
// when the code page has it; otherwise the flags decide: the default character for the pair
// (WC_DEFAULTCHAR), the base alone (WC_DISCARDNS), or each on its own (WC_SEPCHARS, the default).
bool EncodeSingleByte(UINT codePage, DWORD flags, std::u16string_view source, char fallback,
                      std::string& out) {
    bool used = false;
    const auto put = [&](char16_t unit) {
        const std::optional<char> byte = EncodeUnit(codePage, unit);
        out.push_back(byte.value_or(fallback));
        used = used || !byte;
    };
    for (std::size_t i = 0; i < source.size(); ++i) {
        if ((flags & WC_COMPOSITECHECK) != 0 && i + 1 < source.size() && IsNonspacingMark(source[i + 1])) {
            const std::optional<char16_t> composed = Compose(source[i], source[i + 1]);
            const std::optional<char> byte = composed ? EncodeUnit(codePage, *composed) : std::nullopt;
            if (byte) {
                out.push_back(*byte);
                ++i;
                continue;
            }
            if ((flags & kWcDefaultChar) != 0) {
                out.push_back(fallback);
                used = true;
                ++i;
                continue;
            }
            if ((flags & kWcDiscardNs) != 0) {
                put(source[i]);
                ++i;
                continue;
            }
        }
        put(source[i]);
    }
    return used;
}

} // namespace

UINT GetACP() {
    return AnsiCodePage();
}

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceLength, char16_t* dest,
                        int destLength) {
    const std::optional<UINT> resolved = CheckedCodePage(codePage, source, sourceLength, dest, destLength);
    if (!resolved) {
        return 0;
    }
    const std::string_view text = SourceView(source, sourceLength);
    if (*resolved == kUtf8) {
        return ConvertUtf8(text, flags, kMbErrInvalidChars, dest, destLength);
    }
    if ((flags & ~(kMbPrecomposed | kMbComposite | kMbUseGlyphChars | kMbErrInvalidChars)) != 0 ||
        (flags & (kMbPrecomposed | kMbComposite)) == (kMbPrecomposed | kMbComposite)) {
        return Fail(kErrorInvalidFlags);
    }
    std::u16string converted;
    converted.reserve(text.size());
    for (const char c : text) {
        const char16_t unit = DecodeByte(*resolved, static_cast<unsigned char>(c));
        const Composition* parts = (flags & kMbComposite) != 0 ? FindComposed(unit) : nullptr;
        if (parts != nullptr) {
            converted.push_back(parts->base);
            converted.push_back(parts->mark);
        } else {
            converted.push_back(unit);
        }
    }
    return Deliver(converted, dest, destLength);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* source, int sourceLength, char* dest,
                        int destLength, const char* defaultChar, BOOL* usedDefaultChar) {
    const std::optional<UINT> resolved = CheckedCodePage(codePage, source, sourceLength, dest, destLength);
    if (!resolved) {
        return 0;
    }
    const std::u16string_view text = SourceView(source, sourceLength);
    if (*resolved == kUtf8) {
        if (defaultChar != nullptr || usedDefaultChar != nullptr) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        return ConvertUtf8(text, flags, kWcErrInvalidChars, dest, destLength);
    }
    if (!ValidSingleByteFlags(flags)) {
        return Fail(kErrorInvalidFlags);
    }
    std::string converted;
    const bool used =
        EncodeSingleByte(*resolved, flags, text, defaultChar != nullptr ? *defaultChar : '?', converted);
    if (usedDefaultChar != nullptr) {
        *usedDefaultChar = used ? kTrue : kFalse;
    }
    return Deliver(converted, dest, destLength);
}

} // namespace platform
