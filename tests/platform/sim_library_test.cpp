#include "platform/library.h"
#include "platform/text.h"
#include "support/sim_fixture.h"

namespace {

using namespace platform;

class SimLibraryTest : public SimTest {};

TEST_F(SimLibraryTest, LoadsOnlyFromTheSystemDirectoryOrBesideTheProgram) {
    EXPECT_NE(LoadLibraryW(u"c:/windows/SYSTEM32//wtsapi32.DLL"), nullptr);
    EXPECT_NE(LoadLibraryW(u"user32"), nullptr);
    EXPECT_EQ(LoadLibraryW(u"C:\\Other\\User32.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(LoadLibraryW(u"C:\\Windows\\System32\\Kernel99.dll"), nullptr);
    EXPECT_EQ(LoadLibraryW(u""), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

    // A file planted beside the program wins a bare-name search, and exports nothing.
    WriteFile(u"C:\\Program Files\\NORVIK\\Tintfold\\USER32.dll", "MZ");
    const HMODULE planted = LoadLibraryW(u"User32.dll");
    ASSERT_NE(planted, nullptr);
    EXPECT_EQ(GetProcAddress(planted, "EnumDisplayDevicesW"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    const HMODULE system = LoadLibraryW(u"C:\\Windows\\System32\\User32.dll");
    ASSERT_NE(system, nullptr);
    EXPECT_NE(system, planted);
    EXPECT_NE(GetProcAddress(system, "EnumDisplayDevicesW"), nullptr);
    EXPECT_EQ(GetProcAddress(system, "enumdisplaydevicesw"), nullptr);

    // Once the process restricts its default search to the system directory, a bare name no longer finds
    // the planted file.
    EXPECT_EQ(SetDefaultDllDirectories(0), kFalse);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32), kTrue);
    EXPECT_EQ(LoadLibraryW(u"User32.dll"), system);
    const auto restricted = JournalRecords("SetDefaultDllDirectories");
    ASSERT_EQ(restricted.size(), 2u);
    EXPECT_EQ(restricted[1],
              (sim::Json{{"call", "SetDefaultDllDirectories"}, {"flags", 2048}, {"result", 1}}));

    const auto records = JournalRecords("LoadLibraryW");
    ASSERT_EQ(records.size(), 8u);
    EXPECT_EQ(records[0]["path"], "c:/windows/SYSTEM32//wtsapi32.DLL");
    EXPECT_EQ(records[0]["result"], 1);
    EXPECT_EQ(records[2]["result"], 0);
    EXPECT_EQ(records[5]["found"], "C:\\Program Files\\NORVIK\\Tintfold\\User32.dll");
}

TEST_F(SimLibraryTest, MissingLibrariesAndFunctions) {
    LoadMachine(R"({"missingLibraries": ["user32.dll"], "missingFunctions": ["QueryDisplayConfig"]})");
    EXPECT_EQ(LoadLibraryW(u"C:\\Windows\\System32\\User32.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    LoadMachine(R"({"missingFunctions": ["QueryDisplayConfig"]})");
    const HMODULE user32 = LoadLibraryW(u"C:\\Windows\\System32\\User32.dll");
    ASSERT_NE(user32, nullptr);
    EXPECT_EQ(GetProcAddress(user32, "QueryDisplayConfig"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_NE(GetProcAddress(user32, "DisplayConfigGetDeviceInfo"), nullptr);
    EXPECT_EQ(GetProcAddress(user32, "WTSQuerySessionInformationW"), nullptr);
}

TEST_F(SimLibraryTest, SystemDirectoryAndModulePathBuffers) {
    char16_t buffer[32] = {};
    EXPECT_EQ(GetSystemDirectoryW(buffer, 32), 19u);
    EXPECT_EQ(Utf16ToUtf8(buffer), "C:\\Windows\\System32");
    char16_t small[19] = {u'x'};
    EXPECT_EQ(GetSystemDirectoryW(small, 19), 20u);
    EXPECT_EQ(small[0], u'x');

    LoadMachine(R"({"program": "C:\\T\\tool.exe", "systemDirectory": null})");
    EXPECT_EQ(GetSystemDirectoryW(buffer, 32), 0u);
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 32), 13u);
    EXPECT_EQ(Utf16ToUtf8(buffer), "C:\\T\\tool.exe");
    // Cut to size - 1 characters and terminated; the result is the size.
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 5), 5u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(Utf16ToUtf8(buffer), "C:\\T");
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 13), 13u);
    EXPECT_EQ(Utf16ToUtf8(buffer), "C:\\T\\tool.ex");

    LoadMachine(R"({"program": null})");
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 32), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

} // namespace
