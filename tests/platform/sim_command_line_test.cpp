#include "platform/command_line.h"
#include "platform/text.h"
#include "support/sim_fixture.h"

namespace {

using namespace platform;

class SimCommandLineTest : public SimTest {
  protected:
    // The arguments a command line splits into, as UTF-8; {"<null>"} when the split fails.
    std::vector<std::string> Split(const char16_t* line) {
        int count = -1;
        char16_t** argv = CommandLineToArgvW(line, &count);
        if (argv == nullptr) {
            return {"<null>"};
        }
        std::vector<std::string> args;
        for (int i = 0; i < count; ++i) {
            args.push_back(Utf16ToUtf8(argv[i]));
        }
        EXPECT_EQ(argv[count], nullptr);
        EXPECT_EQ(LocalFree(argv), nullptr);
        return args;
    }
};

using Args = std::vector<std::string>;

TEST_F(SimCommandLineTest, FaultGivesNull) {
    int count = 0;
    LoadMachine(R"({"faults": [{"call": "CommandLineToArgvW"}]})");
    EXPECT_EQ(CommandLineToArgvW(u"p a", &count), nullptr);
    int local = 0;
    EXPECT_EQ(LocalFree(&local), &local);
}

TEST_F(SimCommandLineTest, BuiltLineQuotesArgumentsSoTheyComeBack) {
    const Args args{"plain",           "",          "two words", "quote\"inside", "trail\\",
                    "back\\\\\"slash", "tab\there", "é"};
    LoadMachine(R"({"program": "C:\\My Tools\\t.exe"})", args);
    Args expected{"C:\\My Tools\\t.exe"};
    expected.insert(expected.end(), args.begin(), args.end());
    EXPECT_EQ(Split(GetCommandLineW()), expected);

    LoadMachine(R"({"commandLine": "given \"as is\""})", {"ignored"});
    EXPECT_EQ(Utf16ToUtf8(GetCommandLineW()), "given \"as is\"");
}

} // namespace
