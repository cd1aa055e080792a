#include <string>

#include "platform/format.h"
#include "support/sim_fixture.h"

namespace {

using platform::FormatA;
using platform::FormatW;

// The formatter converts between widths through the machine's code page, so it runs on a machine.
class FormatTest : public SimTest {
  protected:
    template <typename... Args> std::string Narrow(const char* format, const Args&... args) {
        char buffer[256];
        FormatA(buffer, sizeof buffer, format, args...);
        return buffer;
    }
    template <typename... Args> std::u16string Wide(const char16_t* format, const Args&... args) {
        char16_t buffer[256];
        FormatW(buffer, 256, format, args...);
        return buffer;
    }
};

TEST_F(FormatTest, IntegersAsTheCRuntimeReadsThem) {
    EXPECT_EQ(Narrow("%d|%i|%u|%x|%X", -5, 7, 4294967295u, 255, 0xabcu), "-5|7|4294967295|ff|ABC");
    // HRESULTs and error codes: 32-bit values whatever the argument's type.
    EXPECT_EQ(Narrow("0x%08X|0x%x|%d", static_cast<int32_t>(0x80041002u), 0x7e, 0xFFFFFFFFu),
              "0x80041002|0x7e|-1");
    EXPECT_EQ(Narrow("%02X%02X|%08X|%5d|%-5d|%05d|%+d", 0x6, 0xAF, 0x12345678, 42, 42, -42, 3),
              "06AF|12345678|   42|42   |-0042|+3");
    EXPECT_EQ(Narrow("%lld|%llu", -9000000000ll, 18000000000ull), "-9000000000|18000000000");
}

TEST_F(FormatTest, RealsWithSixDecimals) {
    EXPECT_EQ(Narrow("%f, %f, %f", 1.0, 0.5, 0.0), "1.000000, 0.500000, 0.000000");
    EXPECT_EQ(Narrow("%f|%.2f|%f", -0.25, 3.14159, 1e20), "-0.250000|3.14|100000000000000000000.000000");
}

TEST_F(FormatTest, StringsOfBothWidthsAndNull) {
    EXPECT_EQ(Narrow("%s|%ws|%ls", "narrow", u"wide", u"also"), "narrow|wide|also");
    EXPECT_EQ(Wide(u"%s|%hs", u"wide", "narrow"), u"wide|narrow");
    EXPECT_EQ(Narrow("%s|%ws", static_cast<const char*>(nullptr), static_cast<const char16_t*>(nullptr)),
              "(null)|(null)");
    // Through the machine's code page (1252): e-acute is one byte, the euro sign 0x80.
    EXPECT_EQ(Narrow("%ws", u"\u00e9\u20ac"), "\xE9\x80");
    EXPECT_EQ(Wide(u"%hs", "\xE9\x80"), u"\u00e9\u20ac");
    EXPECT_EQ(Narrow("[%5s|%-3s|%.2s]", "ab", "c", "xyz"), "[   ab|c  |xy]");
}

TEST_F(FormatTest, PercentSignsAndOddFormats) {
    EXPECT_EQ(Narrow("100%% %s", "50%d"), "100% 50%d");
    // Conversions without arguments print nothing; text that is no conversion stands as written.
    EXPECT_EQ(Narrow("a%db%sc", 1), "a1bc");
    EXPECT_EQ(Narrow("%q %", 1), "%q %");
    EXPECT_EQ(Wide(u"%d%%", 5), u"5%");
}

TEST_F(FormatTest, OutputIsCutToTheBufferWithItsTerminator) {
    char buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), '#');
    EXPECT_EQ(FormatA(buffer, 5, "%s-%d", "abcdef", 12345), 4u);
    EXPECT_EQ(std::string(buffer), "abcd");
    EXPECT_EQ(buffer[5], '#');
    char16_t wide[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(FormatW(wide, 1, u"%s", u"x"), 0u);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(wide[1], u'#');
    EXPECT_EQ(FormatW(wide, 0, u"%s", u"x"), 0u);
    EXPECT_EQ(wide[1], u'#');
    // A huge width is bounded by the buffer too.
    EXPECT_EQ(std::string(buffer, FormatA(buffer, sizeof buffer, "%99999d", 1)), "       ");
}

TEST_F(FormatTest, UnboundedStringsKeepEverything) {
    const std::string text(3000, 'x');
    const platform::FormatArg args[] = {platform::FormatArg(text)};
    EXPECT_EQ(platform::FormatNarrowString("<%s>", args).size(), 3002u);
    EXPECT_EQ(platform::FormatWideString(u"%d", {}), u"");
}

} // namespace
