#include <cstdlib>

#include "platform/com.h"
#include "platform/command_line.h"
#include "platform/console.h"
#include "platform/debug_output.h"
#include "platform/sim/com_state.h"
#include "platform/terminal_services.h"
#include "platform/text.h"
#include "support/sim_fixture.h"

namespace {

using namespace platform;

class SimServicesTest : public SimTest {};

TEST_F(SimServicesTest, DebuggerOutputIsUtf8OneLinePerCall) {
    OutputDebugStringA("caf\xE9 100%");
    OutputDebugStringW(u"wide \u20AC");
    OutputDebugStringW(u"");
    EXPECT_EQ(DebugLines(), (std::vector<std::string>{"caf\xC3\xA9 100%", "wide \xE2\x82\xAC", ""}));
}

TEST_F(SimServicesTest, ErrorTextsOfTheSystem) {
    for (const DWORD code : {2u, 3u, 5u, 6u, 8u, 31u, 50u, 80u, 87u, 122u, 126u, 127u, 183u, 234u}) {
        char16_t* text = nullptr;
        const DWORD length = FormatMessageW(0x1300, nullptr, code, 0x400, &text, 0, nullptr);
        ASSERT_NE(text, nullptr) << code;
        EXPECT_EQ(length, WLen(text));
        EXPECT_GT(length, 2u);
        EXPECT_EQ(text[length - 2], u'\r');
        EXPECT_EQ(text[length - 1], u'\n');
        EXPECT_EQ(LocalFree(text), nullptr);
    }
    char16_t* text = nullptr;
    FormatMessageW(0x1300, nullptr, 126, 0x400, &text, 0, nullptr);
    EXPECT_EQ(Utf16ToUtf8(text), "The specified module could not be found.\r\n");
    char16_t* none = reinterpret_cast<char16_t*>(&text);
    EXPECT_EQ(FormatMessageW(0x1300, nullptr, 0xDEAD, 0x400, &none, 0, nullptr), 0u);
    EXPECT_EQ(none, nullptr);
}

TEST_F(SimServicesTest, ConsoleTextReachesStdoutAsUtf8) {
    testing::internal::CaptureStdout();
    WriteStdout("0: caf\xE9\n", 8);
    WriteStdoutW(u"\u20AC|", 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "0: caf\xC3\xA9\n\xE2\x82\xAC");
}

TEST_F(SimServicesTest, ConsoleSessionUser) {
    char16_t* user = nullptr;
    DWORD bytes = 0;
    EXPECT_EQ(WTSGetActiveConsoleSessionId(), 1u);
    ASSERT_NE(WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE(), 1, WTSUserName, &user, &bytes),
              kFalse);
    EXPECT_EQ(Utf16ToUtf8(user), "user");
    EXPECT_EQ(bytes, 10u);

    LoadMachine(R"({"console": {"sessionId": 7, "user": ""}})");
    ASSERT_NE(
        WTSQuerySessionInformationW(nullptr, WTSGetActiveConsoleSessionId(), WTSUserName, &user, &bytes),
        kFalse);
    EXPECT_EQ(Utf16ToUtf8(user), "");
    EXPECT_EQ(WTSQuerySessionInformationW(nullptr, 1, WTSUserName, &user, &bytes), kFalse);

    LoadMachine(R"({"console": {"sessionId": 1, "user": "alice", "queryFails": true}})");
    user = nullptr;
    EXPECT_EQ(WTSQuerySessionInformationW(nullptr, 1, WTSUserName, &user, &bytes), kFalse);
    EXPECT_EQ(user, nullptr);
}

TEST_F(SimServicesTest, ComInitialisationCountsAndChecksTheModel) {
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_TRUE(sim::ComInitialized());
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, 2), RPC_E_CHANGED_MODE);
    CoUninitialize();
    EXPECT_TRUE(sim::ComInitialized());
    CoUninitialize();
    EXPECT_FALSE(sim::ComInitialized());
    const auto records = JournalRecords();
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].dump(), R"({"call":"CoInitializeEx","result":"0x00000000"})");
    EXPECT_EQ(records[2]["result"], "0x80010106");
    EXPECT_EQ(records[4].dump(), R"({"call":"CoUninitialize"})");
}

} // namespace
