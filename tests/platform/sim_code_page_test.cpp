// What the sim's code pages do beyond the shared contract (conformance/code_page_test.cpp): the ANSI
// code page follows the machine description.
#include <string>

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "support/sim_fixture.h"

namespace {

using namespace platform;

using SimCodePage = SimTest;

std::u16string Wide(UINT codePage, const std::string& bytes) {
    char16_t out[16] = {};
    const int length =
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out, 16);
    return {out, static_cast<std::size_t>(length > 0 ? length : 0)};
}

TEST_F(SimCodePage, AnsiCodePageFollowsTheMachine) {
    LoadMachine(R"({"ansiCodePage": 65001})");
    EXPECT_EQ(Wide(CP_ACP, "\xC3\xA9"), u"\u00E9");
    LoadMachine(R"({"ansiCodePage": 28591})");
    EXPECT_EQ(Wide(CP_ACP, "\x80"), u"\u0080");
    LoadMachine(R"({"ansiCodePage": 1252})");
    EXPECT_EQ(Wide(CP_ACP, "\x80"), u"\u20AC");
    LoadMachine(R"({"ansiCodePage": 1250})");
    EXPECT_EQ(Wide(CP_ACP, "\x8A"), u"\u0160");
}

TEST_F(SimCodePage, CodePagesTheSimDoesNotConvertAreRefused) {
    char narrow[8] = {};
    EXPECT_EQ(WideCharToMultiByte(437, 0, u"abc", 3, narrow, 8, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

} // namespace
