#include <sys/stat.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/profile_strings.h"
#include "platform/sim/description.h"
#include "platform/sim/host_paths.h"
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

TEST_F(SimProfileStrings, AnsiFilesUseTheMachinesCodePage) {
    EXPECT_EQ(AfterWrite("[\xC9t\xE9]\r\nk=1\r\n", u"\u00C9T\u00C9", u"k", u"\u00E9"),
              "[\xC9t\xE9]\r\nk=\xE9\r\n");
    LoadMachine(R"({"ansiCodePage": 65001})");
    EXPECT_EQ(AfterWrite("[\xC3\x89t\xC3\xA9]\r\nk=1\r\n", u"\u00E9t\u00E9", u"k", u"\u20AC"),
              "[\xC3\x89t\xC3\xA9]\r\nk=\xE2\x82\xAC\r\n");
}

TEST_F(SimProfileStrings, BareFileNameIsInTheWindowsFolder) {
    WriteFile(u"C:\\Windows\\tool.ini", "[s]\nk=11\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 0, u"tool.ini"), 11u);
}

TEST_F(SimProfileStrings, OnlyRegularFilesAreRead) {
    // Neither a FIFO without a writer nor a link to a device may block or fill memory: both are refused.
    const std::filesystem::path host = sim::HostPath(kFile);
    ASSERT_EQ(::mkfifo(host.c_str(), 0600), 0);
    EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"DebugMessage", 5, kFile), 5u);
    EXPECT_EQ(WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"v", kFile), kFalse);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    std::filesystem::remove(host);
    std::filesystem::create_symlink("/dev/zero", host);
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
