// Conversions between code pages and UTF-16: mappings, default characters, lengths, flags, errors.
#include <string>

#include "conformance/conformance.h"
#include "platform/code_page.h"

namespace {

using namespace platform;

constexpr UINT kWindows1252 = 1252;
constexpr UINT kUtf8 = 65001;
constexpr UINT kLatin1 = 28591;
constexpr DWORD kErrorInvalidFlags = 1004;
constexpr DWORD kErrorNoUnicodeTranslation = 1113;
constexpr DWORD kMbComposite = 0x02;
constexpr DWORD kMbErrInvalidChars = 0x08;
constexpr DWORD kWcDiscardNs = 0x10;
constexpr DWORD kWcDefaultChar = 0x40;
constexpr DWORD kWcErrInvalidChars = 0x80;

using CodePageConformance = conformance::ConformanceTest;

// Whole conversions through the length query and the call proper; an empty result on failure.
std::u16string Wide(UINT codePage, const std::string& bytes, DWORD flags = 0) {
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
    std::u16string out(static_cast<std::size_t>(needed), u'\0');
    EXPECT_EQ(needed, MultiByteToWideChar(codePage, flags, bytes.data(), length, out.data(), needed));
    return out;
}

std::string Narrow(UINT codePage, const std::u16string& text, DWORD flags = 0, BOOL* used = nullptr,
                   const char* defaultChar = nullptr) {
    const int length = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, defaultChar, used);
    std::string out(static_cast<std::size_t>(needed), '\0');
    EXPECT_EQ(needed, WideCharToMultiByte(codePage, flags, text.data(), length, out.data(), needed,
                                          defaultChar, used));
    return out;
}

TEST_F(CodePageConformance, Windows1252HighBytesMapBothWays) {
    std::string high;
    for (int b = 0x80; b <= 0xFF; ++b) {
        high.push_back(static_cast<char>(b));
    }
    const std::u16string wide = Wide(kWindows1252, high);
    ASSERT_EQ(wide.size(), 128u);
    EXPECT_EQ(wide[0x00], u'\u20AC');
    EXPECT_EQ(wide[0x01], u'\u0081'); // undefined bytes map to the C1 control of the same value
    EXPECT_EQ(wide[0x1D], u'\u009D');
    EXPECT_EQ(wide[0x1F], u'\u0178');
    EXPECT_EQ(wide[0x20], u'\u00A0');
    EXPECT_EQ(wide[0x69], u'\u00E9');
    BOOL used = kTrue;
    EXPECT_EQ(Narrow(kWindows1252, wide, 0, &used), high);
    EXPECT_EQ(used, kFalse);
}

TEST_F(CodePageConformance, UnmappableCharactersTakeTheDefaultCharacter) {
    BOOL used = kFalse;
    EXPECT_EQ(Narrow(1252, u"a\u0440b\u4E2D", 0, &used), "a?b?");
    EXPECT_EQ(used, kTrue);
    EXPECT_EQ(Narrow(1252, u"x\u0440", 0, &used, "#"), "x#");
    EXPECT_EQ(used, kTrue);
    // A surrogate pair is two units, each unmappable.
    EXPECT_EQ(Narrow(1252, u"\U0001F600"), "??");
    // ISO 8859-1 has U+0080 to U+00FF one to one, and nothing of Windows-1252's extra letters.
    EXPECT_EQ(Narrow(kLatin1, u"\u0080\u00FF\u20AC", 0, &used), "\x80\xFF?");
    EXPECT_EQ(Wide(kLatin1, "\x80\x9F"), u"\u0080\u009F");
}

TEST_F(CodePageConformance, LengthsAndBufferSizes) {
    // -1 converts up to and including the terminator and counts it.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
    char16_t wide[4] = {u'x', u'x', u'x', u'x'};
    EXPECT_EQ(MultiByteToWideChar(kWindows1252, 0, "abc", -1, wide, 4), 4);
    EXPECT_EQ(std::u16string(wide), u"abc");
    // An explicit length converts exactly that many units, with no terminator added.
    char narrow[3] = {'x', 'x', 'x'};
    EXPECT_EQ(WideCharToMultiByte(kWindows1252, 0, u"abc", 2, narrow, 3, nullptr, nullptr), 2);
    EXPECT_EQ(std::string(narrow, 3), "abx");

    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(MultiByteToWideChar(kWindows1252, 0, "abc", -1, wide, 3), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(WideCharToMultiByte(kWindows1252, 0, u"abc", -1, narrow, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    // UTF-8 sizes are bytes, not characters.
    EXPECT_EQ(WideCharToMultiByte(kUtf8, 0, u"\u00E9\u20AC\U0001F600", -1, nullptr, 0, nullptr, nullptr), 10);
}

TEST_F(CodePageConformance, InvalidArgumentsFail) {
    char16_t wide[8] = {};
    char narrow[8] = {};
    int call = 0;
    const auto expectFailure = [&call](int result, DWORD error) {
        ++call;
        EXPECT_EQ(result, 0) << "call " << call;
        EXPECT_EQ(GetLastError(), error) << "call " << call;
    };
    expectFailure(MultiByteToWideChar(kWindows1252, 0, "abc", 0, wide, 8), ERROR_INVALID_PARAMETER);
    expectFailure(MultiByteToWideChar(kWindows1252, 0, nullptr, 3, wide, 8), ERROR_INVALID_PARAMETER);
    expectFailure(MultiByteToWideChar(kWindows1252, 0, "abc", 3, nullptr, 8), ERROR_INVALID_PARAMETER);
    expectFailure(MultiByteToWideChar(kWindows1252, 0, "abc", 3, wide, -1), ERROR_INVALID_PARAMETER);
    // Flag combinations and arguments that the documentation rules out.
    if (WineDiffers(
            "MultiByteToWideChar and WideCharToMultiByte pages (learn.microsoft.com): MB_PRECOMPOSED "
            "with MB_COMPOSITE, WC_DISCARDNS without WC_COMPOSITECHECK, WC_ERR_INVALID_CHARS outside "
            "UTF-8 and UTF-8 with flags fail with ERROR_INVALID_FLAGS; lpUsedDefaultChar must be null "
            "for CP_UTF8 (ERROR_INVALID_PARAMETER). Wine converts")) {
        return;
    }
    expectFailure(MultiByteToWideChar(kWindows1252, 0x03, "abc", 3, wide, 8), kErrorInvalidFlags);
    expectFailure(WideCharToMultiByte(kWindows1252, kWcDiscardNs, u"abc", 3, narrow, 8, nullptr, nullptr),
                  kErrorInvalidFlags);
    expectFailure(
        WideCharToMultiByte(kWindows1252, kWcErrInvalidChars, u"abc", 3, narrow, 8, nullptr, nullptr),
        kErrorInvalidFlags);
    // UTF-8 takes no default character and only the invalid-character flag.
    BOOL used = kFalse;
    expectFailure(WideCharToMultiByte(kUtf8, 0, u"abc", 3, narrow, 8, nullptr, &used),
                  ERROR_INVALID_PARAMETER);
    expectFailure(WideCharToMultiByte(kUtf8, WC_COMPOSITECHECK, u"abc", 3, narrow, 8, nullptr, nullptr),
                  kErrorInvalidFlags);
    expectFailure(MultiByteToWideChar(kUtf8, 0x01, "abc", 3, wide, 8), kErrorInvalidFlags);
}

TEST_F(CodePageConformance, CompositeCharacters) {
    BOOL used = kFalse;
    // A base letter and a nonspacing mark become the precomposed letter where the code page has one.
    EXPECT_EQ(Narrow(kWindows1252, u"e\u0301A\u030AS\u030C", WC_COMPOSITECHECK, &used), "\xE9\xC5\x8A");
    EXPECT_EQ(used, kFalse);
    // Without a precomposed letter: separate characters by default, the base alone, or the default char.
    EXPECT_EQ(Narrow(kWindows1252, u"q\u0323", WC_COMPOSITECHECK, &used), "q?");
    EXPECT_EQ(used, kTrue);
    if (!WineDiffers("WideCharToMultiByte page (learn.microsoft.com): WC_DISCARDNS discards nonspacing "
                     "characters and WC_DEFAULTCHAR replaces exceptions with the default character; Wine "
                     "converts the mark on its own")) {
        EXPECT_EQ(Narrow(kWindows1252, u"q\u0301", WC_COMPOSITECHECK | kWcDiscardNs, &used), "q");
        EXPECT_EQ(used, kFalse);
        EXPECT_EQ(Narrow(kWindows1252, u"q\u0301z", WC_COMPOSITECHECK | kWcDefaultChar, &used), "?z");
        EXPECT_EQ(used, kTrue);
    }
    // Without the flag every unit is converted on its own.
    EXPECT_EQ(Narrow(kWindows1252, u"e\u0323"), "e?");
    EXPECT_EQ(Wide(kWindows1252, "\xE9\x9A", kMbComposite), u"e\u0301s\u030C");
}

TEST_F(CodePageConformance, Utf8) {
    const std::string bytes = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(Wide(kUtf8, bytes), u"a\u00E9\u20AC\U0001F600");
    EXPECT_EQ(Narrow(kUtf8, u"a\u00E9\u20AC\U0001F600"), bytes);
    // Invalid input becomes U+FFFD, or fails the call when asked to.
    EXPECT_EQ(Wide(kUtf8, "a\xFFz"), u"a\uFFFDz");
    EXPECT_EQ(Narrow(kUtf8, std::u16string(u"a") + char16_t{0xD800}), "a\xEF\xBF\xBD");
    char16_t wide[8] = {};
    EXPECT_EQ(MultiByteToWideChar(kUtf8, kMbErrInvalidChars, "a\xC3", 2, wide, 8), 0);
    EXPECT_EQ(GetLastError(), kErrorNoUnicodeTranslation);
    EXPECT_EQ(MultiByteToWideChar(kUtf8, kMbErrInvalidChars, "\xEF\xBF\xBD", 3, wide, 8), 1);
    const char16_t lone[] = {u'a', 0xDC00};
    char narrow[8] = {};
    EXPECT_EQ(WideCharToMultiByte(kUtf8, kWcErrInvalidChars, lone, 2, narrow, 8, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), kErrorNoUnicodeTranslation);
}

TEST_F(CodePageConformance, EveryAnsiCodePageMapsBothWays) {
    // Every byte of a single-byte code page maps, bytes without a character to the code point of the
    // same value or to a private-use character, composing nothing; a double-byte code page's pairs map to
    // one character each.
    const struct {
        UINT codePage;
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {874, "\xA1\xDB\x81", u"\u0E01\uF8C1\u0081"},
        {932, "\x82\xA0\x5C\x81\x5F\x83\x5C\xA5\x80\xA0", u"\u3042\\\uFF3C\u30BD\uFF65\u0080\uF8F0"},
        {936, "\x80\xC4\xE3\xFF", u"\u20AC\u4F60\uF8F5"},
        {949, "\xB0\xA1\x80", u"\uAC00\u0080"},
        {950, "\xA4\x40\x80", u"\u4E00\u0080"},
        {1250, "\x8A\xE8\x81", u"\u0160\u010D\u0081"},
        {1251, "\xC0\x98", u"\u0410\u0098"},
        {1253, "\xC1\xAA", u"\u0391\uF8F9"},
        {1254, "\xD0", u"\u011E"},
        {1255, "\xE0\xCA\xD9", u"\u05D0\u05BA\uF88D"},
        {1256, "\xC7", u"\u0627"},
        {1257, "\xC0\xA1", u"\u0104\uF8FC"},
        {1258, "a\xEC", u"a\u0301"},
        {kLatin1, "\x80\xFF", u"\u0080\u00FF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Wide(c.codePage, c.bytes), c.text) << c.codePage;
        BOOL used = kTrue;
        EXPECT_EQ(Narrow(c.codePage, c.text, 0, &used), c.bytes) << c.codePage;
        EXPECT_EQ(used, kFalse) << c.codePage;
    }
}

TEST_F(CodePageConformance, DoubleByteCodePages) {
    // A lead byte without a valid trail byte is one invalid character (U+30FB in 932, "?" elsewhere),
    // or fails the call when asked to.
    EXPECT_EQ(Wide(932, "\x81\x20"
                        "a\x81"),
              u"\u30FBa\u30FB");
    EXPECT_EQ(Wide(936, "\x81\x20"), u"?");
    char16_t wide[8] = {};
    EXPECT_EQ(MultiByteToWideChar(932, kMbErrInvalidChars, "a\x81", 2, wide, 8), 0);
    EXPECT_EQ(GetLastError(), kErrorNoUnicodeTranslation);
    // Each unit without a mapping takes the default character; a pair fills two bytes of the buffer.
    BOOL used = kFalse;
    EXPECT_EQ(Narrow(932, u"\u3042\U0001F600", 0, &used), "\x82\xA0??");
    EXPECT_EQ(used, kTrue);
    EXPECT_EQ(Narrow(932, u"\u7E8A\u2252"), "\xFA\x5C\x81\xE0");
    char narrow[2] = {};
    EXPECT_EQ(WideCharToMultiByte(932, 0, u"a\u3042", 2, narrow, 2, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

} // namespace
