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

TEST_F(SimCommandLineTest, SplitsWithTheSystemRules) {
    // The program name ends at its closing quote or first blank; backslashes mean nothing in it.
    EXPECT_EQ(Split(u"\"C:\\Program Files\\a.exe\" x"), (Args{"C:\\Program Files\\a.exe", "x"}));
    EXPECT_EQ(Split(u"C:\\a\\\"b c"), (Args{"C:\\a\\\"b", "c"}));
    EXPECT_EQ(Split(u"\"a b\"c d"), (Args{"a b", "c", "d"}));
    EXPECT_EQ(Split(u"p  \t "), (Args{"p"}));
    // Backslashes count only before a quote: 2n give n and a quote mark, 2n+1 give n and a literal quote.
    EXPECT_EQ(Split(u"p a\\\\b \\\\\\\\\"c d\" e\\\\\\\"f"), (Args{"p", "a\\\\b", "\\\\c d", "e\\\"f"}));
    EXPECT_EQ(Split(u"p \"tail\\\\\" x\\"), (Args{"p", "tail\\", "x\\"}));
    // Empty quotes are an empty argument; a doubled quote inside quotes is a literal quote that ends them.
    EXPECT_EQ(Split(u"p \"\" \"a\"\"b c\" d"), (Args{"p", "", "a\"b", "c d"}));
    EXPECT_EQ(Split(u"p \"\"\"x y"), (Args{"p", "\"x", "y"}));
    EXPECT_EQ(Split(u"p \"open end"), (Args{"p", "open end"}));
}

TEST_F(SimCommandLineTest, EmptyLineGivesTheProgramAndFaultGivesNull) {
    EXPECT_EQ(Split(u""), (Args{"C:\\Program Files\\NORVIK\\Tintfold\\tintfold.exe"}));
    int count = 0;
    EXPECT_EQ(CommandLineToArgvW(u"p", nullptr), nullptr);
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
