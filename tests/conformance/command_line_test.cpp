// Splitting a command line into arguments.
#include <string>
#include <vector>

#include "conformance/conformance.h"
#include "platform/command_line.h"
#include "platform/library.h"
#include "platform/text.h"

namespace {

using namespace platform;
using Args = std::vector<std::string>;

class CommandLineConformance : public conformance::ConformanceTest {
  protected:
    // The arguments a command line splits into, as UTF-8; {"<null>"} when the split fails.
    static Args Split(const char16_t* line) {
        int count = -1;
        char16_t** argv = CommandLineToArgvW(line, &count);
        if (argv == nullptr) {
            return {"<null>"};
        }
        Args args;
        for (int i = 0; i < count; ++i) {
            args.push_back(Utf16ToUtf8(argv[i]));
        }
        EXPECT_EQ(argv[count], nullptr);
        EXPECT_EQ(LocalFree(argv), nullptr);
        return args;
    }
};

TEST_F(CommandLineConformance, SplitsWithTheSystemRules) {
    // The program name ends at its closing quote or first blank; backslashes mean nothing in it.
    EXPECT_EQ(Split(u"\"C:\\Program Files\\a.exe\" x"), (Args{"C:\\Program Files\\a.exe", "x"}));
    EXPECT_EQ(Split(u"C:\\a\\\"b c"), (Args{"C:\\a\\\"b", "c"}));
    EXPECT_EQ(Split(u"\"a b\"c d"), (Args{"a b", "c", "d"}));
    EXPECT_EQ(Split(u"p  \t "), (Args{"p"}));
    // Backslashes count only before a quote: 2n give n and a quote mark, 2n+1 give n and a literal quote.
    EXPECT_EQ(Split(u"p a\\\\b \\\\\\\\\"c d\" e\\\\\\\"f"), (Args{"p", "a\\\\b", "\\\\c d", "e\\\"f"}));
    EXPECT_EQ(Split(u"p \"tail\\\\\" x\\ C:\\dir\\"), (Args{"p", "tail\\", "x\\", "C:\\dir\\"}));
    // Empty quotes are an empty argument; a doubled quote inside quotes is a literal quote that ends them.
    EXPECT_EQ(Split(u"p \"\" \"a\"\"b c\" d"), (Args{"p", "", "a\"b", "c d"}));
    EXPECT_EQ(Split(u"p \"\"\"x y"), (Args{"p", "\"x", "y"}));
    EXPECT_EQ(Split(u"p \"open end"), (Args{"p", "open end"}));
}

TEST_F(CommandLineConformance, EmptyLineGivesTheProgramAndNoCountFails) {
    char16_t program[512] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, program, 512), 0u);
    EXPECT_EQ(Split(u""), (Args{Utf16ToUtf8(program)}));
    EXPECT_EQ(CommandLineToArgvW(u"p", nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

} // namespace
