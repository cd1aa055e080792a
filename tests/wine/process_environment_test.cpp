// The command line, the system libraries and the functions the tool looks up in them, the program's
// path, the console user and the system's error texts, compared with what Wine reports itself.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/command_line.h"
#include "platform/debug_output.h"
#include "platform/display.h"
#include "platform/library.h"
#include "platform/terminal_services.h"

#include "wine_support.h"

#include <windows.h>

#include <lmcons.h>

namespace {

using wine_test::U;

std::u16string SystemLibrary(const char16_t* name) {
    char16_t directory[512] = {};
    EXPECT_GT(platform::GetSystemDirectoryW(directory, 512), 0u);
    return std::u16string(directory) + u"\\" + name;
}

TEST(CommandLineTest, SplitsTheProcessCommandLineAsTheRuntimeDoes) {
    int count = 0;
    char16_t** arguments = platform::CommandLineToArgvW(platform::GetCommandLineW(), &count);
    ASSERT_NE(arguments, nullptr);
    ASSERT_EQ(count, __argc);
    // argv[0] may be spelled differently; the rest must match exactly.
    for (int i = 1; i < count; ++i) {
        EXPECT_EQ(std::u16string(arguments[i]), U(__wargv[i])) << i;
    }
    EXPECT_EQ(platform::LocalFree(arguments), nullptr);
}

TEST(LibraryTest, LookedUpEnumerationFillsTheSameRecordAsTheDirectCall) {
    const platform::HMODULE userInterface = platform::LoadLibraryW(SystemLibrary(u"User32.dll").c_str());
    const auto enumerate = platform::ProcAs<platform::PFN_EnumDisplayDevicesW>(
        platform::GetProcAddress(userInterface, "EnumDisplayDevicesW"));
    ASSERT_NE(enumerate, nullptr);
    platform::DisplayDeviceW viaPointer{};
    viaPointer.cb = sizeof viaPointer;
    platform::DisplayDeviceW direct{};
    direct.cb = sizeof direct;
    ASSERT_TRUE(enumerate(nullptr, 0, &viaPointer, 0));
    ASSERT_TRUE(platform::EnumDisplayDevicesW(nullptr, 0, &direct, 0));
    EXPECT_EQ(std::u16string(viaPointer.DeviceName), std::u16string(direct.DeviceName));
    EXPECT_EQ(std::u16string(viaPointer.DeviceID), std::u16string(direct.DeviceID));
    EXPECT_EQ(viaPointer.StateFlags, direct.StateFlags);
}

TEST(TerminalServicesTest, ConsoleUserIsTheLoggedOnUser) {
    wchar_t user[UNLEN + 1] = {};
    DWORD userLength = UNLEN + 1;
    ASSERT_TRUE(GetUserNameW(user, &userLength));
    const std::wstring shellUser =
        wine_test::DecodeOutput(wine_test::Run(L"cmd.exe /c echo %USERNAME%").output);
    EXPECT_EQ(shellUser.substr(0, shellUser.find_first_of(L"\r\n")), user);

    const platform::HMODULE terminalServices = platform::LoadLibraryW(SystemLibrary(u"Wtsapi32.dll").c_str());
    const auto query = platform::ProcAs<platform::PFN_WTSQuerySessionInformationW>(
        platform::GetProcAddress(terminalServices, "WTSQuerySessionInformationW"));
    ASSERT_NE(query, nullptr);
    const platform::DWORD session = platform::WTSGetActiveConsoleSessionId();
    EXPECT_EQ(session, WTSGetActiveConsoleSessionId());

    char16_t* viaPointer = nullptr;
    platform::DWORD bytes = 0;
    ASSERT_TRUE(
        query(platform::WTS_CURRENT_SERVER_HANDLE(), session, platform::WTSUserName, &viaPointer, &bytes));
    ASSERT_NE(viaPointer, nullptr);
    EXPECT_EQ(std::u16string(viaPointer), U(user));

    char16_t* direct = nullptr;
    ASSERT_TRUE(platform::WTSQuerySessionInformationW(platform::WTS_CURRENT_SERVER_HANDLE(), session,
                                                      platform::WTSUserName, &direct, nullptr));
    EXPECT_EQ(std::u16string(direct), U(user));
}

TEST(DebugOutputTest, SystemTextOfAnErrorCodeIsAllocated) {
    constexpr platform::DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    char16_t* text = nullptr;
    const platform::DWORD length =
        platform::FormatMessageW(flags, nullptr, ERROR_FILE_NOT_FOUND, 0x400, &text, 0, nullptr);
    ASSERT_GT(length, 0u);
    ASSERT_NE(text, nullptr);
    wchar_t expected[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_FILE_NOT_FOUND,
                   0x400, expected, 512, nullptr);
    EXPECT_EQ(std::u16string(text), U(expected));
    EXPECT_EQ(std::u16string(text).size(), length);
    LocalFree(text);

    // A code without a text leaves the pointer null.
    text = reinterpret_cast<char16_t*>(&text);
    EXPECT_EQ(platform::FormatMessageW(flags, nullptr, 0x2FFFFFFF, 0x400, &text, 0, nullptr), 0u);
    EXPECT_EQ(text, nullptr);

    // Only the allocating form is offered.
    EXPECT_EQ(platform::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0x400,
                                       &text, 0, nullptr),
              0u);
    EXPECT_EQ(platform::GetLastError(), static_cast<platform::DWORD>(ERROR_INVALID_PARAMETER));
}

} // namespace
