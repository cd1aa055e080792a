#include <string>

#include "app/run_context.h"
#include "app/user_data.h"
#include "platform/library.h"
#include "platform/text.h"
#include "support/sim_fixture.h"

namespace {

class UserDataTest : public SimTest {
  protected:
    std::u16string PathFor(const char* console, bool resolve = true, std::size_t capacity = 512) {
        LoadMachine(std::string(R"({"console": )") + console + "}");
        ResetContext();
        if (resolve) {
            const platform::HMODULE library = platform::LoadLibraryW(u"C:\\Windows\\System32\\Wtsapi32.dll");
            WTSQuerySessionInformationFunc = platform::ProcAs<platform::PFN_WTSQuerySessionInformationW>(
                platform::GetProcAddress(library, "WTSQuerySessionInformationW"));
        }
        std::u16string path(capacity + 16, u'#');
        path[capacity] = 0;
        EXPECT_EQ(GetUserDataFilePath(path.data(), capacity), 1);
        EXPECT_EQ(path.substr(capacity + 1), std::u16string(15, u'#')) << "written past the buffer";
        return path.c_str();
    }
};

constexpr char16_t kFolder[] = u"C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse\\";

TEST_F(UserDataTest, NamedAfterTheConsoleUserUnchanged) {
    EXPECT_EQ(PathFor(R"({"sessionId": 3, "user": "Alice"})"),
              std::u16string(kFolder) + u"Alice_my_lu_data.sys");
    EXPECT_EQ(PathFor(R"({"user": "50%s b\u00e9"})"),
              std::u16string(kFolder) + u"50%s b\u00e9_my_lu_data.sys");
}

TEST_F(UserDataTest, NoUserGivesAnUnderscoreName) {
    const std::u16string unnamed = std::u16string(kFolder) + u"_my_lu_data.sys";
    EXPECT_EQ(PathFor(R"({"user": ""})"), unnamed);
    EXPECT_EQ(PathFor(R"({"user": "alice", "queryFails": true})"), unnamed);
    EXPECT_EQ(PathFor(R"({"user": "alice"})", false), unnamed);
}

TEST_F(UserDataTest, APathThatDoesNotFitIsLeftEmpty) {
    // 244 characters of name fit the 260-unit file name; the path then fits 512 units but not 256.
    const std::string user(244, 'u');
    const std::string console = R"({"user": ")" + user + "\"}";
    EXPECT_EQ(PathFor(console.c_str(), true, 512),
              std::u16string(kFolder) + std::u16string(244, u'u') + u"_my_lu_data.sys");
    EXPECT_EQ(PathFor(console.c_str(), true, 256), u"");
    EXPECT_EQ(PathFor((R"({"user": ")" + std::string(245, 'u') + "\"}").c_str()), u"");
}

} // namespace
