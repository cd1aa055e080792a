// Standard output on a console: the text reaches the console as the characters written, whatever the
// console's code page. Needs a console, which Wine gives a process also when it runs headless.
#include <gtest/gtest.h>

#include <string>

#include "platform/console.h"

#include <windows.h>

namespace {

TEST(ConsoleTest, TextOnAConsoleKeepsItsCharacters) {
    if (!AllocConsole()) {
        GTEST_SKIP() << "no console: " << GetLastError();
    }
    const HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(console, INVALID_HANDLE_VALUE);
    SetStdHandle(STD_OUTPUT_HANDLE, console);
    // A code page in which the characters below are other bytes than in the ANSI code page.
    SetConsoleOutputCP(850);
    const std::u16string wide = u"Jos\u00E9 \u0141\u00F3d\u017A";
    platform::WriteStdoutW(wide.data(), wide.size());
    const std::string narrow = "caf\xE9";
    platform::WriteStdout(narrow.data(), narrow.size());

    wchar_t shown[32] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadConsoleOutputCharacterW(console, shown, 15, COORD{0, 0}, &read));
    SetStdHandle(STD_OUTPUT_HANDLE, saved);
    CloseHandle(console);
    FreeConsole();
    EXPECT_EQ(std::wstring(shown, read), L"Jos\u00E9 \u0141\u00F3d\u017Acaf\u00E9");
}

} // namespace
