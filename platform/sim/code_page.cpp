// Conversion between the machine's code pages and UTF-16, with the argument, flag and buffer rules of
// the Windows functions. The byte mappings come from the C library's iconv, read once per code page
// into tables; what Windows does beyond the mappings (flags, default characters, invalid input) is
// this file's own.
#include "platform/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/sim/code_pages.h"
#include "platform/sim/description.h"
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

constexpr char16_t kNoChar = 0xFFFF; // a noncharacter: no code page maps a byte to it

// Bytes that the C library leaves undefined but Windows maps: to a private-use character, so that
// every byte survives a round trip, or (1255) to a character added later. Every other undefined single
// byte maps to the code point of the same value, as Windows maps it.
struct ExtraBytes {
    UINT codePage;
    unsigned char first;
    unsigned char count;
    char16_t unit;
};
constexpr std::array<ExtraBytes, 16> kExtraBytes{{
    {874, 0xDB, 4, 0xF8C1},
    {874, 0xFC, 4, 0xF8C5},
    {932, 0xA0, 1, 0xF8F0},
    {932, 0xFD, 3, 0xF8F1},
    {936, 0xFF, 1, 0xF8F5},
    {949, 0xFF, 1, 0xF8F7},
    {950, 0xFF, 1, 0xF8F8},
    {1253, 0xAA, 1, 0xF8F9},
    {1253, 0xD2, 1, 0xF8FA},
    {1253, 0xFF, 1, 0xF8FB},
    {1255, 0xCA, 1, 0x05BA},
    {1255, 0xD9, 7, 0xF88D},
    {1255, 0xFB, 2, 0xF894},
    {1255, 0xFF, 1, 0xF896},
    {1257, 0xA1, 1, 0xF8FC},
    {1257, 0xA5, 1, 0xF8FD},
}};

char16_t ExtraByte(UINT codePage, unsigned char byte) {
    for (const ExtraBytes& extra : kExtraBytes) {
        if (extra.codePage == codePage && byte >= extra.first && byte - extra.first < extra.count) {
            return static_cast<char16_t>(extra.unit + (byte - extra.first));
        }
    }
    return kNoChar;
}

bool IsDoubleByte(UINT codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

// One or two bytes of a code page.
struct Bytes {
    std::array<char, 2> data{};
    std::size_t size = 0;
};

// A code page's mapping, both ways. In a double-byte code page a lead byte starts a pair; the pairs
// Windows reserves for user-defined characters are undefined here.
struct CodePageTable {
    bool doubleByte = false;
    char16_t invalidChar = u'?'; // what an invalid pair becomes, as Windows gives it
    std::array<char16_t, 256> single{};
    std::array<bool, 256> lead{};
    std::vector<char16_t> pairs; // by (lead << 8) | trail
    std::unordered_map<char16_t, Bytes> encode;
};

// An iconv descriptor, closed when done.
class Iconv {
  public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (Valid()) {
            iconv_close(cd_);
        }
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts the input whole, from a fresh state; false, with errno, when it cannot.
    bool Convert(const char* input, std::size_t inputSize, char* output, std::size_t& outputSize) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        auto* in = const_cast<char*>(input);
        char* out = output;
        std::size_t outLeft = outputSize;
        const bool done = iconv(cd_, &in, &inputSize, &out, &outLeft) != static_cast<std::size_t>(-1) &&
                          iconv(cd_, nullptr, nullptr, &out, &outLeft) != static_cast<std::size_t>(-1);
        outputSize -= outLeft;
        return done;
    }

  private:
    iconv_t cd_;
};

std::string IconvName(UINT codePage) {
    return codePage == kLatin1 ? "ISO-8859-1" : "CP" + std::to_string(codePage);
}

// The one UTF-16 unit that the bytes stand for, if they stand for exactly one; errno tells an
// incomplete sequence (EINVAL) from an invalid one.
std::optional<char16_t> DecodeWith(Iconv& toUtf16, const char* bytes, std::size_t size) {
    std::array<char, 8> out{};
    std::size_t outSize = out.size();
    if (!toUtf16.Convert(bytes, size, out.data(), outSize) || outSize != 2) {
        return std::nullopt;
    }
    return static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                 (static_cast<unsigned char>(out[1]) << 8));
}

void AddEncoding(CodePageTable& table, Iconv& fromUtf16, char16_t unit, Bytes bytes) {
    std::array<char, 8> out{};
    std::size_t outSize = out.size();
    const std::array<char, 2> in{static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    // The C library's own choice where several byte sequences decode to the same character.
    if (table.doubleByte && fromUtf16.Convert(in.data(), in.size(), out.data(), outSize) && outSize <= 2) {
        bytes = Bytes{{out[0], out[1]}, outSize};
    }
    table.encode.emplace(unit, bytes);
}

CodePageTable BuildTable(UINT codePage) {
    CodePageTable table;
    table.doubleByte = IsDoubleByte(codePage);
    table.invalidChar = codePage == 932 ? char16_t{0x30FB} : u'?';
    const std::string name = IconvName(codePage);
    Iconv toUtf16("UTF-16LE", name.c_str());
    Iconv fromUtf16(name.c_str(), "UTF-16LE");
    for (unsigned byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        const std::optional<char16_t> unit = toUtf16.Valid() ? DecodeWith(toUtf16, &c, 1) : std::nullopt;
        const char16_t extra = ExtraByte(codePage, static_cast<unsigned char>(byte));
        table.lead[byte] = table.doubleByte && !unit && extra == kNoChar && byte != 0x80;
        table.single[byte] = unit ? *unit : extra != kNoChar ? extra : static_cast<char16_t>(byte);
        if (!table.lead[byte]) {
            AddEncoding(table, fromUtf16, table.single[byte], Bytes{{c, 0}, 1});
        }
    }
    if (table.doubleByte) {
        table.pairs.assign(0x10000, kNoChar);
        for (unsigned lead = 0; lead < 256; ++lead) {
            for (unsigned trail = 0; table.lead[lead] && trail < 256; ++trail) {
                const std::array<char, 2> pair{static_cast<char>(lead), static_cast<char>(trail)};
                const std::optional<char16_t> unit = DecodeWith(toUtf16, pair.data(), pair.size());
                if (unit) {
                    table.pairs[(lead << 8) | trail] = *unit;
                    AddEncoding(table, fromUtf16, *unit, Bytes{pair, 2});
                }
            }
        }
    }
    return table;
}

const CodePageTable& Table(UINT codePage) {
    static std::map<UINT, CodePageTable> tables;
    auto found = tables.find(codePage);
    if (found == tables.end()) {
        found = tables.emplace(codePage, BuildTable(codePage)).first;
    }
    return found->second;
}

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

// The machine's ANSI code page, read from its description once per machine: every conversion asks for it.
UINT& LoadedAnsiCodePage() {
    static UINT codePage = 0;
    return codePage;
}

const sim::ModuleRegistration kModule{{[] { LoadedAnsiCodePage() = 0; }, nullptr}};

UINT AnsiCodePage() {
    UINT& codePage = LoadedAnsiCodePage();
    if (codePage == 0) {
        const sim::Json& desc = sim::Description();
        const auto it = desc.find("ansiCodePage");
        // A JSON integer is signed or unsigned depending on where it came from; validation keeps it in range.
        codePage = it != desc.end() && it->is_number_integer() ? it->get<UINT>() : sim::kWindows1252;
    }
    return codePage;
}

UINT Resolve(UINT codePage) {
    return codePage == CP_ACP ? AnsiCodePage() : codePage;
}

std::optional<Bytes> EncodeUnit(const CodePageTable& table, char16_t unit) {
    const auto found = table.encode.find(unit);
    return found == table.encode.end() ? std::nullopt : std::optional<Bytes>(found->second);
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

bool ValidFlags(DWORD flags) {
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

void Append(std::string& out, const Bytes& bytes) {
    out.append(bytes.data.data(), bytes.size);
}

// Converts UTF-16 to a code page other than UTF-8; returns whether the default character was used.
// Each unit converts on its own, so a character beyond the BMP, which no such code page has, takes the
// default character once per surrogate. With WC_COMPOSITECHECK a base letter followed by a nonspacing
// mark becomes the precomposed letter when the code page has it; otherwise the flags decide: the
// default character for the pair (WC_DEFAULTCHAR), the base alone (WC_DISCARDNS), or each on its own
// (WC_SEPCHARS, the default).
bool Encode(const CodePageTable& table, DWORD flags, std::u16string_view source, char fallback,
            std::string& out) {
    bool used = false;
    const auto put = [&](char16_t unit) {
        const std::optional<Bytes> bytes = EncodeUnit(table, unit);
        Append(out, bytes.value_or(Bytes{{fallback, 0}, 1}));
        used = used || !bytes;
    };
    for (std::size_t i = 0; i < source.size(); ++i) {
        if ((flags & WC_COMPOSITECHECK) != 0 && i + 1 < source.size() && IsNonspacingMark(source[i + 1])) {
            const std::optional<char16_t> composed = Compose(source[i], source[i + 1]);
            const std::optional<Bytes> bytes = composed ? EncodeUnit(table, *composed) : std::nullopt;
            if (bytes) {
                Append(out, *bytes);
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

// Converts a code page other than UTF-8 to UTF-16; false when the text holds an invalid sequence (a
// lead byte without a valid trail byte) and the caller asked for failure. Otherwise such a pair, or a
// lead byte at the end, becomes the code page's invalid-character mark. Every single byte maps.
bool Decode(const CodePageTable& table, DWORD flags, std::string_view text, std::u16string& out) {
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char16_t unit = table.single[byte];
        if (table.lead[byte]) {
            const bool pair = i + 1 < text.size();
            unit = pair ? table.pairs[(std::size_t{byte} << 8) | static_cast<unsigned char>(text[i + 1])]
                        : kNoChar;
            i += pair ? 1 : 0;
            if (unit == kNoChar && (flags & kMbErrInvalidChars) != 0) {
                return false;
            }
            unit = unit == kNoChar ? table.invalidChar : unit;
        }
        const Composition* parts = (flags & kMbComposite) != 0 ? FindComposed(unit) : nullptr;
        if (parts != nullptr) {
            out.push_back(parts->base);
            out.push_back(parts->mark);
        } else {
            out.push_back(unit);
        }
    }
    return true;
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
    if (!Decode(Table(*resolved), flags, text, converted)) {
        return Fail(kErrorNoUnicodeTranslation);
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
    if (!ValidFlags(flags)) {
        return Fail(kErrorInvalidFlags);
    }
    std::string converted;
    const bool used =
        Encode(Table(*resolved), flags, text, defaultChar != nullptr ? *defaultChar : '?', converted);
    if (usedDefaultChar != nullptr) {
        *usedDefaultChar = used ? kTrue : kFalse;
    }
    return Deliver(converted, dest, destLength);
}

} // namespace platform

namespace sim {

// What MultiByteToWideChar(CP_ACP, 0, ...) gives, or the same for a given ANSI code page, in one pass
// instead of a measuring call and a converting one: the sim converts every narrow name and
// profile-string line through here.
std::u16string AnsiToUtf16(std::string_view text) {
    return AnsiToUtf16(text, platform::AnsiCodePage());
}

std::u16string AnsiToUtf16(std::string_view text, platform::UINT codePage) {
    if (codePage == kUtf8) {
        return platform::Utf8Convert(text);
    }
    std::u16string wide;
    platform::Decode(platform::Table(codePage), 0, text, wide);
    return wide;
}

} // namespace sim
