// INI profile strings: where a write puts a key, how names match, how numbers read, which encodings.
#include <string>

#include "conformance/conformance.h"
#include "platform/profile_strings.h"

namespace {

using namespace platform;

class ProfileStringsConformance : public conformance::ConformanceTest {
  protected:
    void SetUp() override {
        ConformanceTest::SetUp();
        file_ = Scratch() + u"\\alice_my_lu_data.sys";
    }

    const char16_t* File() const { return file_.c_str(); }
    // Writes one key into a file that held before, and returns the file's bytes afterwards.
    std::string AfterWrite(const std::string& before, const char16_t* section, const char16_t* key,
                           const char16_t* value) const {
        WriteFile(file_, before);
        EXPECT_EQ(WritePrivateProfileStringW(section, key, value, File()), kTrue);
        return ReadFile(file_);
    }

    // For a file whose other lines Windows keeps byte for byte where Wine writes the whole file back
    // from what it parsed (line ends, spaces and stray bytes change there).
    static void ExpectKeptBytes(const std::string& actual, const std::string& expected) {
        if (!WineDiffers("dlls/kernel32/tests/profile.c, test_WritePrivateProfileString: \"NULLs in file "
                         "before first section. Should be preserved in output\" is todo_wine")) {
            EXPECT_EQ(actual, expected);
        }
    }

  private:
    std::u16string file_;
};

std::string Utf16File(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

TEST_F(ProfileStringsConformance, ReplacesTheValueInPlaceAndKeepsEveryOtherByte) {
    const std::string before = "; user data\r\n[Main]\nDebugMessage = 1\n\r\n[ICMTag]\r\n"
                               "  PNGM =  old text  \r\nPNTP=x\r\n\r\n[Other]\nPNGM=keep";
    ExpectKeptBytes(AfterWrite(before, u"ICMTag", u"PNGM", u"new"),
                    "; user data\r\n[Main]\nDebugMessage = 1\n\r\n[ICMTag]\r\n"
                    "  PNGM =  new  \r\nPNTP=x\r\n\r\n[Other]\nPNGM=keep");
    // Names match whatever their case, and only the first matching key changes.
    EXPECT_EQ(AfterWrite("[icmtag]\r\npngm=1\r\nPNGM=2\r\n", u" ICMTag ", u"PnGm", u"3"),
              "[icmtag]\r\npngm=3\r\nPNGM=2\r\n");
    EXPECT_EQ(AfterWrite("[ICMTag]\r\nPNGM=\r\n", u"ICMTag", u"PNGM", u"v"), "[ICMTag]\r\nPNGM=v\r\n");
    EXPECT_EQ(AfterWrite("[ICMTag]\r\nPNGM=v\r\n", u"ICMTag", u"PNGM", u""), "[ICMTag]\r\nPNGM=\r\n");
}

TEST_F(ProfileStringsConformance, AddsMissingKeysAndSections) {
    // A new key follows the section's last line that is not blank, with a CRLF line end.
    ExpectKeptBytes(AfterWrite("[ICMTag]\nPNGM=a\n\n[Main]\nX=1\n", u"ICMTag", u"PNTP", u"b"),
                    "[ICMTag]\nPNGM=a\nPNTP=b\r\n\n[Main]\nX=1\n");
    EXPECT_EQ(AfterWrite("[Main]\r\n[ICMTag]", u"ICMTag", u"PNTP", u"b"), "[Main]\r\n[ICMTag]\r\nPNTP=b\r\n");
    // A new section goes at the end; a last line without a line end gets one first.
    ExpectKeptBytes(AfterWrite("[Main]\nX=1", u"ICMTag", u"I1TP", u"c"),
                    "[Main]\nX=1\r\n[ICMTag]\r\nI1TP=c\r\n");
    EXPECT_EQ(AfterWrite("", u"ICMTag", u"I1TP", u"c"), "[ICMTag]\r\nI1TP=c\r\n");
    // A key of the same name in another section, or in no section, is not the key.
    EXPECT_EQ(AfterWrite("PNGM=0\r\n[Main]\r\nPNGM=1\r\n", u"ICMTag", u"PNGM", u"2"),
              "PNGM=0\r\n[Main]\r\nPNGM=1\r\n[ICMTag]\r\nPNGM=2\r\n");

    const std::u16string created = Scratch() + u"\\new.ini";
    EXPECT_EQ(WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"v", created.c_str()), kTrue);
    EXPECT_EQ(ReadFile(created), "[ICMTag]\r\nPNGM=v\r\n");
}

TEST_F(ProfileStringsConformance, NullValueDeletesTheKeyAndNullKeyTheSection) {
    ExpectKeptBytes(AfterWrite("[A]\r\nk=1\r\nK=2\r\n[B]\nk=3\n", u"a", u"K", nullptr),
                    "[A]\r\nK=2\r\n[B]\nk=3\n");
    ExpectKeptBytes(AfterWrite("x=0\n[A]\nk=1\n; note\n[B]\nk=2\n[a]\nk=3\n", u"A", nullptr, nullptr),
                    "x=0\n[B]\nk=2\n");
    EXPECT_EQ(AfterWrite("[A]\nk=1\n", u"A", u"missing", nullptr), "[A]\nk=1\n");

    const std::u16string absent = Scratch() + u"\\absent.ini";
    EXPECT_EQ(WritePrivateProfileStringW(u"A", u"k", nullptr, absent.c_str()), kTrue);
    EXPECT_EQ(WritePrivateProfileStringW(u"A", nullptr, nullptr, absent.c_str()), kTrue);
    EXPECT_FALSE(IsFile(absent));
}

TEST_F(ProfileStringsConformance, Utf16FilesKeepTheirEncoding) {
    const std::string before = Utf16File(u"[Main]\r\nDebugMessage=1\r\n[ICMTag]\r\nPNGM=old\r\n");
    EXPECT_EQ(AfterWrite(before, u"ICMTag", u"PNGM", u"\u00E9\u4E2D"),
              Utf16File(u"[Main]\r\nDebugMessage=1\r\n[ICMTag]\r\nPNGM=\u00E9\u4E2D\r\n"));
    EXPECT_EQ(GetPrivateProfileIntW(u"main", u"debugmessage", 0, File()), 1u);
    EXPECT_EQ(AfterWrite(before, u"New", u"K", u"v"), before + Utf16File(u"[New]\r\nK=v\r\n").substr(2));
    // An odd last byte is not a unit of the text, but it stays.
    ExpectKeptBytes(AfterWrite(before + "X", u"ICMTag", u"PNTP", u"p"),
                    Utf16File(u"[Main]\r\nDebugMessage=1\r\n[ICMTag]\r\nPNGM=old\r\nPNTP=p\r\n") + "X");
}

TEST_F(ProfileStringsConformance, AnsiFilesUseTheMachinesCodePage) {
    if (AnsiCodePage() != 1252) {
        GTEST_SKIP() << "written for code page 1252";
    }
    EXPECT_EQ(AfterWrite("[Sect]\r\nk=1\r\n", u"Sect", u"k", u"\u20AC\u00E9\u4E2D"),
              "[Sect]\r\nk=\x80\xE9?\r\n");
}

TEST_F(ProfileStringsConformance, IntegerValues) {
    // The cases of test_profile_int in dlls/kernel32/tests/profile.c, and the prefixes and signs of
    // RtlUnicodeStringToInteger in base 0, which reads every found value that is not empty.
    const struct {
        const char* value;
        UINT expected;
    } cases[] = {
        {"-1", 0xFFFFFFFFu},
        {"+1", 1u},
        {"4294967296", 0u},
        {"4294967297", 1u},
        {"-4294967297", 0xFFFFFFFFu},
        {"42A94967297", 42u},
        {"B4294967297", 0u},
        {"abc", 0u},
        {"-", 0u},
        {"+-1", 0u},
        {"65537", 65537u},
        {"  -3", 0xFFFFFFFDu},
        {"0x1F", 31u},
        {"0X1F", 0u},
        {"0o17", 15u},
        {"0b101", 5u},
        {"0x", 0u},
        {"0xg", 0u},
        {"12abc", 12u},
        {"", 7u},
        {"\"\"", 7u},
        {"+5 ", 5u},
        {"\"42\"", 42u},
        {"'8'", 8u},
        {"1 2", 1u},
        {"\t9\t", 9u},
    };
    for (const auto& c : cases) {
        WriteFile(Scratch() + u"\\alice_my_lu_data.sys",
                  std::string("[Main]\r\nDebugMessage=") + c.value + "\r\n");
        EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", 7, File()), c.expected)
            << '"' << c.value << '"';
    }
    WriteFile(Scratch() + u"\\alice_my_lu_data.sys", "[Main]\r\nOther=1\r\n[Next]\r\nDebugMessage=1\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", -2, File()), 0xFFFFFFFEu);
    EXPECT_EQ(GetPrivateProfileIntW(u"None", u"Other", 3, File()), 3u);
    // Only the first section of a name is searched.
    WriteFile(Scratch() + u"\\alice_my_lu_data.sys", "[Main]\r\nA=1\r\n[MAIN]\r\nB=2\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"main", u"B", 3, File()), 3u);
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 4, (Scratch() + u"\\missing.ini").c_str()), 4u);
}

TEST_F(ProfileStringsConformance, LineEndsAndMarks) {
    // A lone CR ends a line ("CR only" of test_GetPrivateProfileString), in reading and in writing.
    WriteFile(File(), "[Main]\rDebugMessage=1\r");
    EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", 0, File()), 1u);
    ExpectKeptBytes(AfterWrite("[ICMTag]\rPNGM=1\rPNTP=1\rI1TP=1\r", u"ICMTag", u"PNGM", u"2"),
                    "[ICMTag]\rPNGM=2\rPNTP=1\rI1TP=1\r");
    EXPECT_EQ(GetPrivateProfileIntW(u"ICMTag", u"PNGM", 0, File()), 2u);
    EXPECT_EQ(GetPrivateProfileIntW(u"ICMTag", u"I1TP", 0, File()), 1u);
    // Ctrl-Z, the old end-of-file mark, is a blank around names and values.
    WriteFile(File(), "[Main]\x1A\r\n\x1A"
                      "DebugMessage=3\x1A\r\n\x1A");
    EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", 0, File()), 3u);
    // A UTF-8 byte-order mark is ANSI text to Windows: it spoils a section header on the first line.
    WriteFile(File(), "\xEF\xBB\xBF[Main]\r\nDebugMessage=1\r\n");
    if (!WineDiffers("Wine reads a file with a UTF-8 byte-order mark as UTF-8 (PROFILE_DetectTextEncoding in "
                     "dlls/kernel32/profile.c); on Windows 10 21H1 neither the A nor the W functions "
                     "recognise it, and a section on the first line is lost (Stack Overflow, \"How do "
                     "WritePrivateProfileStringA() and Unicode go together?\")")) {
        EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", 0, File()), 0u);
    }
}

TEST_F(ProfileStringsConformance, FilesThatCannotBeWritten) {
    MakeFolder(Scratch() + u"\\alice_my_lu_data.sys");
    EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", 5, File()), 5u);
    EXPECT_EQ(WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"v", File()), kFalse);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    const std::u16string missing = Scratch() + u"\\No\\Such\\x.ini";
    EXPECT_EQ(WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"v", missing.c_str()), kFalse);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(IsFolder(Scratch() + u"\\No"));
}

} // namespace
