#include <string>

#include "app/diagnostics.h"
#include "app/run_context.h"
#include "platform/command_line.h"
#include "platform/library.h"
#include "platform/terminal_services.h"
#include "support/capture.h"
#include "support/sim_fixture.h"

namespace {

constexpr char16_t kDataFile[] =
    u"C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse\\user_my_lu_data.sys";

class DiagnosticsTest : public SimTest {
  protected:
    // The per-user switch needs the session query that the run sequence resolves.
    void ResolveSessionQuery() {
        const platform::HMODULE library = platform::LoadLibraryW(u"C:\\Windows\\System32\\Wtsapi32.dll");
        WTSQuerySessionInformationFunc = platform::ProcAs<platform::PFN_WTSQuerySessionInformationW>(
            platform::GetProcAddress(library, "WTSQuerySessionInformationW"));
        ASSERT_NE(WTSQuerySessionInformationFunc, nullptr);
    }

    bool SwitchReadsOn(const char* registry) {
        LoadMachine(std::string(R"({"registry": )") + registry + "}");
        ResetContext();
        ReadDebugSwitch();
        return g_bDebugMode;
    }
};

TEST_F(DiagnosticsTest, RegistrySwitchTakesFourLittleEndianBytesOfThe64BitView) {
    const char* key = R"("HKLM\\Software\\NORVIK\\Quillory\\NorvikOptimization")";
    auto value = [key](const char* data) {
        return std::string("{") + key + R"(: {"LumisseDebug": )" + data + "}}";
    };
    EXPECT_TRUE(SwitchReadsOn(value(R"({"type": "REG_DWORD", "data": 1})").c_str()));
    EXPECT_FALSE(SwitchReadsOn(value(R"({"type": "REG_DWORD", "data": 2})").c_str()));
    EXPECT_FALSE(SwitchReadsOn(value(R"({"type": "REG_DWORD", "data": 257})").c_str()));
    EXPECT_FALSE(SwitchReadsOn(value(R"({"type": "REG_SZ", "data": "1"})").c_str()));
    // More than four bytes fail the query; fewer fill the low bytes.
    EXPECT_FALSE(SwitchReadsOn(value(R"({"type": "REG_QWORD", "data": 1})").c_str()));
    EXPECT_TRUE(SwitchReadsOn(value(R"({"type": "REG_BINARY", "data": "01"})").c_str()));
    EXPECT_FALSE(SwitchReadsOn(value(R"({"type": "REG_BINARY", "data": "0100000000"})").c_str()));
    EXPECT_FALSE(SwitchReadsOn(R"({"HKLM\\Software\\NORVIK\\Quillory\\NorvikOptimization": {"$denied": true,
                                   "LumisseDebug": {"type": "REG_DWORD", "data": 1}}})"));
    EXPECT_FALSE(SwitchReadsOn(R"({"HKLM\\Software\\WOW6432Node\\NORVIK\\Quillory\\NorvikOptimization":
                                   {"LumisseDebug": {"type": "REG_DWORD", "data": 1}}})"));
    EXPECT_TRUE(SwitchReadsOn(R"({"HKLM\\SOFTWARE\\norvik\\QUILLORY\\NorvikOptimization":
                                  {"lumissedebug": {"type": "REG_DWORD", "data": 1}}})"));
}

TEST_F(DiagnosticsTest, NarrowTraceGoesToBothSinksOnlyInDebugMode) {
    LoadMachine(R"({"registry": {}})");
    EXPECT_EQ(CaptureStdout([] { TraceA("value %d", 7); }), "");
    g_bDebugMode = true;
    EXPECT_EQ(CaptureStdout([] { TraceA("value %d of %s", 7, "100%d"); }), "[Tintfold W] value 7 of 100%d\n");
    EXPECT_EQ(DebugLines(), std::vector<std::string>{"value 7 of 100%d"});
}

TEST_F(DiagnosticsTest, PerUserSwitchSendsWideLinesToTheDebuggerOnly) {
    WriteFile(kDataFile, "[Main]\r\nDebugMessage=1\r\n");
    LoadMachine(R"({"registry": {}})");
    ResolveSessionQuery();
    const std::string output = CaptureStdout([] {
        TraceW(u"wide %s", u"C:\\50%s");
        TraceA("narrow");
    });
    EXPECT_EQ(output, "");
    EXPECT_EQ(g_nDebugMessage, 2);
    EXPECT_EQ(DebugLines(), std::vector<std::string>{"wide C:\\50%s"});
}

TEST_F(DiagnosticsTest, PerUserSwitchLooksAtTheLowSixteenBitsAndIsReadOnce) {
    struct Case {
        const char* file;
        int32_t cached;
    };
    const Case cases[] = {{"[Main]\r\nDebugMessage=65536\r\n", 1},
                          {"[main]\r\ndebugmessage=65537\r\n", 2},
                          {"[Main]\r\nDebugMessage=abc\r\n", 1},
                          {"[Other]\r\nDebugMessage=1\r\n", 1},
                          {"[Main]\r\nDebugMessage=-1\r\n", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        WriteFile(kDataFile, c.file);
        LoadMachine(R"({"registry": {}})");
        ResetContext();
        ResolveSessionQuery();
        TraceW(u"line");
        EXPECT_EQ(g_nDebugMessage, c.cached);
        EXPECT_EQ(DebugLines().size(), c.cached == 2 ? 1u : 0u);
    }
    // A change of the file after the first wide line is not seen.
    WriteFile(kDataFile, "[Main]\r\nDebugMessage=0\r\n");
    TraceW(u"again");
    EXPECT_EQ(DebugLines().size(), 2u);
}

TEST_F(DiagnosticsTest, MissingDataFileLeavesTheSwitchOffButDebugModeStillWrites) {
    LoadMachine("{}");
    ResolveSessionQuery();
    g_bDebugMode = true;
    EXPECT_EQ(CaptureStdout([] { TraceW(u"%s and %d", u"text", -3); }), "[Tintfold S] text and -3\n");
    EXPECT_EQ(g_nDebugMessage, 1);
    EXPECT_EQ(DebugLines(), std::vector<std::string>{"text and -3"});
}

TEST_F(DiagnosticsTest, LongMessagesAreCutToTheirBuffers) {
    LoadMachine("{}");
    g_bDebugMode = true;
    g_nDebugMessage = 1;
    const std::string narrow(5000, 'n');
    const std::u16string wide(5000, u'w');
    const std::string output = CaptureStdout([&] {
        TraceA("%s", narrow.c_str());
        TraceW(u"%s", wide.c_str());
    });
    EXPECT_EQ(output,
              "[Tintfold W] " + std::string(1023, 'n') + "\n[Tintfold S] " + std::string(1023, 'w') + "\n");
}

TEST_F(DiagnosticsTest, ConsolePrintsIgnoreTheSwitches) {
    LoadMachine(R"({"registry": {}})");
    int narrowCount = 0;
    int wideCount = 0;
    const std::string output = CaptureStdout([&] {
        narrowCount = PrintConsoleA("%d: %ws|", 1, u"w\u00e9");
        wideCount = PrintConsoleW(u"%s %u %X %08X", u"x", 4294967295u, 255, 0x7e);
    });
    EXPECT_EQ(output, "1: w\xC3\xA9|x 4294967295 FF 0000007E");
    EXPECT_EQ(narrowCount, 6);
    EXPECT_EQ(wideCount, 24);
    EXPECT_TRUE(DebugLines().empty());
}

TEST_F(DiagnosticsTest, InitErrorReportCarriesTheSystemTextOrNull) {
    LoadMachine("{}");
    g_bDebugMode = true;
    platform::SetLastError(5);
    EXPECT_EQ(CaptureStdout([] { ReportInitError(); }), "");
    platform::SetLastError(0x12345678);
    ReportInitError();
    g_bDebugMode = false;
    ReportInitError();
    const std::vector<std::string> lines = DebugLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "[Tintfold]InitInstance -> GetModuleFileName failed error: 5 - Access is denied.\r");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "[Tintfold]InitInstance -> GetModuleFileName failed error: 305419896 - (null)");
}

} // namespace
