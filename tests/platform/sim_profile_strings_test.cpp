#include <sys/stat.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/profile_strings.h"
#include "platform/sim/machine.h"
#include "support/sim_fixture.h"

namespace {

using namespace platform;

constexpr const char16_t* kFile = u"C:\\ProgramData\\Lumisse\\alice_my_lu_data.sys";

class SimProfileStrings : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        MakeFolder(u"C:\\ProgramData\\Lumisse");
    }

    std::filesystem::path HostFile() const { return sim::HostPath(kFile); }
    void Put(const std::string& bytes) const { WriteFile(kFile, bytes); }
    std::string Contents() const { return ReadFile(kFile); }
    // Writes one key and returns the file's bytes afterwards.
    std::string AfterWrite(const std::string& before, const char16_t* section, const char16_t* key,
                           const char16_t* value) const {
        Put(before);
        EXPECT_EQ(WritePrivateProfileStringW(section, key, value, kFile), kTrue);
        return Contents();
    }
    sim::Json LastJournalRecord() const { return JournalRecords("WritePrivateProfileStringW").back(); }
};

std::string Utf16File(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

TEST_F(SimProfileStrings, ReplacesTheValueInPlaceAndKeepsEveryOtherByte) {
    const std::string before = "; user data\r\n[Main]\nDebugMessage = 1\n\r\n[ICMTag]\r\n"
                               "  PNGM =  old text  \r\nPNTP=x\r\n\r\n[Other]\nPNGM=keep";
    EXPECT_EQ(AfterWrite(before, u"ICMTag", u"PNGM", u"new"),
              "; user data\r\n[Main]\nDebugMessage = 1\n\r\n[ICMTag]\r\n"
              "  PNGM =  new  \r\nPNTP=x\r\n\r\n[Other]\nPNGM=keep");
    // Names match whatever their case, and only the first matching key changes.
    EXPECT_EQ(AfterWrite("[icmtag]\r\npngm=1\r\nPNGM=2\r\n", u" ICMTag ", u"PnGm", u"3"),
              "[icmtag]\r\npngm=3\r\nPNGM=2\r\n");
    EXPECT_EQ(AfterWrite("[ICMTag]\r\nPNGM=\r\n", u"ICMTag", u"PNGM", u"v"), "[ICMTag]\r\nPNGM=v\r\n");
    EXPECT_EQ(AfterWrite("[ICMTag]\r\nPNGM=v\r\n", u"ICMTag", u"PNGM", u""), "[ICMTag]\r\nPNGM=\r\n");
}

TEST_F(SimProfileStrings, AddsMissingKeysAndSections) {
    // A new key follows the section's last line that is not blank, with a CRLF line end.
    EXPECT_EQ(AfterWrite("[ICMTag]\nPNGM=a\n\n[Main]\nX=1\n", u"ICMTag", u"PNTP", u"b"),
              "[ICMTag]\nPNGM=a\nPNTP=b\r\n\n[Main]\nX=1\n");
    EXPECT_EQ(AfterWrite("[Main]\r\n[ICMTag]", u"ICMTag", u"PNTP", u"b"), "[Main]\r\n[ICMTag]\r\nPNTP=b\r\n");
    // A new section goes at the end; a last line without a line end gets one first.
    EXPECT_EQ(AfterWrite("[Main]\nX=1", u"ICMTag", u"I1TP", u"c"), "[Main]\nX=1\r\n[ICMTag]\r\nI1TP=c\r\n");
    EXPECT_EQ(AfterWrite("", u"ICMTag", u"I1TP", u"c"), "[ICMTag]\r\nI1TP=c\r\n");
    // A key of the same name in another section, or in no section, is not the key.
    EXPECT_EQ(AfterWrite("PNGM=0\r\n[Main]\r\nPNGM=1\r\n", u"ICMTag", u"PNGM", u"2"),
              "PNGM=0\r\n[Main]\r\nPNGM=1\r\n[ICMTag]\r\nPNGM=2\r\n");

    std::filesystem::remove(HostFile());
    EXPECT_EQ(WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"v", kFile), kTrue);
    EXPECT_EQ(Contents(), "[ICMTag]\r\nPNGM=v\r\n");
}

TEST_F(SimProfileStrings, NullValueDeletesTheKeyAndNullKeyTheSection) {
    EXPECT_EQ(AfterWrite("[A]\r\nk=1\r\nK=2\r\n[B]\nk=3\n", u"a", u"K", nullptr), "[A]\r\nK=2\r\n[B]\nk=3\n");
    EXPECT_EQ(AfterWrite("x=0\n[A]\nk=1\n; note\n[B]\nk=2\n[a]\nk=3\n", u"A", nullptr, nullptr),
              "x=0\n[B]\nk=2\n");
    EXPECT_EQ(AfterWrite("[A]\nk=1\n", u"A", u"missing", nullptr), "[A]\nk=1\n");

    std::filesystem::remove(HostFile());
    EXPECT_EQ(WritePrivateProfileStringW(u"A", u"k", nullptr, kFile), kTrue);
    EXPECT_EQ(WritePrivateProfileStringW(u"A", nullptr, nullptr, kFile), kTrue);
    EXPECT_FALSE(std::filesystem::exists(HostFile()));
}

TEST_F(SimProfileStrings, Utf16FilesKeepTheirEncoding) {
    const std::string before = Utf16File(u"[Main]\r\nDebugMessage=1\r\n[ICMTag]\r\nPNGM=old\r\n");
    EXPECT_EQ(AfterWrite(before, u"ICMTag", u"PNGM", u"\u00E9\u4E2D"),
              Utf16File(u"[Main]\r\nDebugMessage=1\r\n[ICMTag]\r\nPNGM=\u00E9\u4E2D\r\n"));
    EXPECT_EQ(GetPrivateProfileIntW(u"main", u"debugmessage", 0, kFile), 1u);
    EXPECT_EQ(AfterWrite(before, u"New", u"K", u"v"), before + Utf16File(u"[New]\r\nK=v\r\n").substr(2));
    // An odd last byte is not a unit of the text, but it stays.
    EXPECT_EQ(AfterWrite(before + "X", u"ICMTag", u"PNTP", u"p"),
              Utf16File(u"[Main]\r\nDebugMessage=1\r\n[ICMTag]\r\nPNGM=old\r\nPNTP=p\r\n") + "X");
}

TEST_F(SimProfileStrings, AnsiFilesUseTheMachinesCodePage) {
    EXPECT_EQ(AfterWrite("[\xC9t\xE9]\r\nk=1\r\n", u"\u00C9T\u00C9", u"k", u"\u20AC\u00E9\u4E2D"),
              "[\xC9t\xE9]\r\nk=\x80\xE9?\r\n");
    LoadMachine(R"({"ansiCodePage": 65001})");
    EXPECT_EQ(AfterWrite("[\xC3\x89t\xC3\xA9]\r\nk=1\r\n", u"\u00E9t\u00E9", u"k", u"\u20AC"),
              "[\xC3\x89t\xC3\xA9]\r\nk=\xE2\x82\xAC\r\n");
}

TEST_F(SimProfileStrings, LineEndsAndMarks) {
    // A lone CR ends a line, in reading and in writing.
    Put("[Main]\rDebugMessage=1\r");
    EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", 0, kFile), 1u);
    EXPECT_EQ(AfterWrite("[ICMTag]\rPNGM=old\rPNTP=old\rI1TP=old\r", u"ICMTag", u"PNGM", u"new"),
              "[ICMTag]\rPNGM=new\rPNTP=old\rI1TP=old\r");
    EXPECT_EQ(AfterWrite("[ICMTag]\rPNGM=a\r\r[Main]\n", u"ICMTag", u"I1TP", u"b"),
              "[ICMTag]\rPNGM=a\rI1TP=b\r\n\r[Main]\n");
    // Ctrl-Z is a blank around names and values.
    Put("[Main]\x1A\r\n\x1A"
        "DebugMessage=3\x1A\r\n\x1A");
    EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", 0, kFile), 3u);
    // A UTF-8 byte-order mark is ANSI text: it spoils a section header on the first line.
    Put("\xEF\xBB\xBF[Main]\r\nDebugMessage=1\r\n[ICMTag]\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", 0, kFile), 0u);
    EXPECT_EQ(AfterWrite("\xEF\xBB\xBF\r\n[ICMTag]\r\n", u"ICMTag", u"PNGM", u"v"),
              "\xEF\xBB\xBF\r\n[ICMTag]\r\nPNGM=v\r\n");
}

TEST_F(SimProfileStrings, IntegerValues) {
    // Windows reads a found value as RtlUnicodeStringToInteger does in base 0; an empty value is missing.
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
        {"65537", 65537u},
        {"0x1F", 31u},
        {"0X1F", 0u},
        {"0o17", 15u},
        {"0b101", 5u},
        {"0x", 0u},
        {"-", 0u},
        {"+-1", 0u},
        {"", 7u},
        {"\"\"", 7u},
        {"\"42\"", 42u},
        {"'8'", 8u},
        {"1 2", 1u},
        {"\t9\t", 9u},
    };
    for (const auto& c : cases) {
        Put(std::string("[Main]\r\nDebugMessage=") + c.value + "\r\n");
        EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", 7, kFile), c.expected)
            << '"' << c.value << '"';
    }
    Put("[Main]\r\nOther=1\r\n[Next]\r\nDebugMessage=1\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", -2, kFile), 0xFFFFFFFEu);
    EXPECT_EQ(GetPrivateProfileIntW(u"None", u"Other", 3, kFile), 3u);
    // Only the first section of a name is searched.
    Put("[Main]\r\nA=1\r\n[MAIN]\r\nB=2\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"main", u"B", 3, kFile), 3u);
    // A bare file name is in the Windows folder.
    WriteFile(u"C:\\Windows\\tool.ini", "[s]\nk=11\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 0, u"tool.ini"), 11u);
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 0, u"C:\\ProgramData\\missing.ini"), 0u);
}

TEST_F(SimProfileStrings, FilesThatCannotBeWritten) {
    std::filesystem::create_directories(HostFile());
    EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", 5, kFile), 5u);
    EXPECT_EQ(WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"v", kFile), kFalse);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"v", u"C:\\No\\Such\\x.ini"), kFalse);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(FileExists(u"C:\\No"));
}

TEST_F(SimProfileStrings, OnlyRegularFilesAreRead) {
    // Neither a FIFO without a writer nor a link to a device may block or fill memory: both are refused.
    ASSERT_EQ(::mkfifo(HostFile().c_str(), 0600), 0);
    EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", 5, kFile), 5u);
    EXPECT_EQ(WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"v", kFile), kFalse);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    std::filesystem::remove(HostFile());
    std::filesystem::create_symlink("/dev/zero", HostFile());
    EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", 5, kFile), 5u);
    EXPECT_EQ(WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"v", kFile), kFalse);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(SimProfileStrings, WritesAreJournalled) {
    Put("[ICMTag]\r\n");
    EXPECT_EQ(WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"\u00E9", kFile), kTrue);
    EXPECT_EQ(LastJournalRecord(), (sim::Json{{"call", "WritePrivateProfileStringW"},
                                              {"file", "C:\\ProgramData\\Lumisse\\alice_my_lu_data.sys"},
                                              {"section", "ICMTag"},
                                              {"key", "PNGM"},
                                              {"value", "\xC3\xA9"},
                                              {"result", 1}}));
    EXPECT_EQ(WritePrivateProfileStringW(u"ICMTag", nullptr, nullptr, u"C:\\No\\x.ini"), kFalse);
    const sim::Json record = LastJournalRecord();
    EXPECT_TRUE(record["key"].is_null());
    EXPECT_TRUE(record["value"].is_null());
    EXPECT_EQ(record["result"], 0);
}

TEST_F(SimProfileStrings, LongLinesAndLargeFiles) {
    const std::string longValue(1 << 20, '7');
    std::string big = "[Main]\n" + std::string(1 << 20, 'x') + "\n";
    for (int i = 0; i < 20000; ++i) {
        big += "k" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    }
    Put(big + "[ICMTag]\nPNGM=" + longValue + "\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"k19999", 0, kFile), 19999u);
    EXPECT_EQ(WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"1", kFile), kTrue);
    EXPECT_EQ(Contents(), big + "[ICMTag]\nPNGM=1\n");
}

} // namespace
