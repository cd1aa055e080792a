// The built tool run as a process under Wine: argument echo, the staging copy, both debug switches
// (standard output and the debugger output, which the test reads as the tool's debugger) and the
// exit code. The tool finds no profile of its own under Wine (there is no monitor EDID), so the
// association step ends at its existence test and never reaches the calibration switch.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "wine_support.h"

#include <windows.h>

#include <lmcons.h>
#include <shlobj.h>

namespace {

const std::wstring kStaging = L"C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse";

struct ToolRun {
    unsigned long exitCode = 0;
    std::string output;
    // Every text the tool sent to the debugger, one entry a call.
    std::vector<std::wstring> debugger;
};

std::wstring DebugText(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
    const std::size_t units = info.nDebugStringLength;
    if (info.fUnicode) {
        std::wstring text(units, L'\0');
        ReadProcessMemory(process, info.lpDebugStringData, text.data(), units * sizeof(wchar_t), nullptr);
        return text.substr(0, text.find(L'\0'));
    }
    std::string bytes(units, '\0');
    ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), units, nullptr);
    return wine_test::DecodeOutput(bytes.substr(0, bytes.find('\0')));
}

// Runs the tool as the debugger of its process, collecting its standard output and debugger output.
ToolRun RunTool(const std::wstring& exe, const std::wstring& arguments) {
    wine_test::Child child = wine_test::Start(L"\"" + exe + L"\" " + arguments, DEBUG_ONLY_THIS_PROCESS);
    ToolRun run;
    std::thread reader([&run, &child] { run.output = wine_test::ReadAll(child.output); });
    for (bool running = true; running;) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, 60000)) {
            ADD_FAILURE() << "the tool did not end";
            TerminateProcess(child.process, 1);
            break;
        }
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case OUTPUT_DEBUG_STRING_EVENT:
            run.debugger.push_back(DebugText(child.process, event.u.DebugString));
            break;
        case EXCEPTION_DEBUG_EVENT:
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                status = DBG_EXCEPTION_NOT_HANDLED;
            }
            break;
        case CREATE_PROCESS_DEBUG_EVENT:
            CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            running = false;
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    reader.join();
    run.exitCode = wine_test::Finish(child);
    return run;
}

bool Contains(const std::vector<std::wstring>& texts, const std::wstring& text) {
    for (const std::wstring& entry : texts) {
        if (entry == text) {
            return true;
        }
    }
    return false;
}

bool StartsWith(const std::vector<std::wstring>& texts, const std::wstring& start) {
    for (const std::wstring& entry : texts) {
        if (entry.starts_with(start)) {
            return true;
        }
    }
    return false;
}

std::wstring ConsoleUser() {
    wchar_t user[UNLEN + 1] = {};
    DWORD length = UNLEN + 1;
    GetUserNameW(user, &length);
    return user;
}

class ToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetDebugSwitch(nullptr);
        wine_test::RemoveTree(L"C:\\ProgramData\\NORVIK");
        folder_ = wine_test::MakeTempFolder();
        exe_ = folder_ + L"\\tintfold.exe";
        ASSERT_TRUE(CopyFileW(wine_test::OnDriveZ(TINTFOLD_EXE).c_str(), exe_.c_str(), FALSE))
            << GetLastError();
    }
    void TearDown() override {
        SetDebugSwitch(nullptr);
        wine_test::RemoveTree(L"C:\\ProgramData\\NORVIK");
        wine_test::RemoveTree(folder_);
    }

    // The registry debug switch: a value, or none at all.
    static void SetDebugSwitch(const wchar_t* value) {
        const std::wstring key = L"\"HKLM\\Software\\NORVIK\\Quillory\\NorvikOptimization\"";
        if (value == nullptr) {
            wine_test::Shell(L"reg delete " + key + L" /v LumisseDebug /reg:64 /f");
        } else {
            ASSERT_TRUE(wine_test::Shell(L"reg add " + key + L" /v LumisseDebug /t REG_DWORD /d " + value +
                                         L" /reg:64 /f"));
        }
    }

    std::wstring folder_;
    std::wstring exe_;
};

TEST_F(ToolTest, ManifestAsksForAdministratorRights) {
    const HMODULE image = LoadLibraryExW(exe_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    const HRSRC resource = FindResourceW(image, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(resource, nullptr);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(image, resource)));
    const std::string manifest(bytes, SizeofResource(image, resource));
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"),
              std::string::npos)
        << manifest;
    FreeLibrary(image);
}

TEST_F(ToolTest, EchoesItsArgumentsAndIsOtherwiseQuiet) {
    // The arguments come out in the ANSI code page.
    const ToolRun run = RunTool(exe_, L"one \"two words\" caf\u00E9");
    EXPECT_EQ(run.exitCode, 0u);
    const std::wstring output = wine_test::DecodeOutput(run.output);
    EXPECT_EQ(output.find(L"0: " + exe_ + L"\r\n1: one\r\n2: two words\r\n3: caf\u00E9\r\n"), 0u)
        << run.output;
    EXPECT_EQ(output.find(L"[Tintfold"), std::wstring::npos) << run.output;
    for (const std::wstring& text : run.debugger) {
        // Only the chassis query writes to the debugger whatever the switches say.
        EXPECT_EQ(text.find(L"Associate"), std::wstring::npos);
    }
}

TEST_F(ToolTest, StagesTheProfilesBesideIt) {
    wine_test::WriteFileBytes(folder_ + L"\\Board_10DE_AF0610EC.icm", "factory profile");
    wine_test::WriteFileBytes(folder_ + L"\\Board_10DE_AF0610EC_CMDEF.icm", "colour-management variant");
    wine_test::WriteFileBytes(folder_ + L"\\readme.txt", "not a profile");
    CreateDirectoryW((folder_ + L"\\sub").c_str(), nullptr);
    wine_test::WriteFileBytes(folder_ + L"\\sub\\Nested.icm", "nested");

    ASSERT_EQ(RunTool(exe_, L"").exitCode, 0u);
    EXPECT_EQ(wine_test::ReadFileBytes(kStaging + L"\\Board_10DE_AF0610EC.icm"), "factory profile");
    EXPECT_EQ(wine_test::ReadFileBytes(kStaging + L"\\Board_10DE_AF0610EC_CMDEF.icm"),
              "colour-management variant");
    EXPECT_FALSE(wine_test::Exists(kStaging + L"\\readme.txt"));
    EXPECT_FALSE(wine_test::Exists(kStaging + L"\\Nested.icm"));

    // A second run replaces a staged profile and leaves other files alone.
    wine_test::WriteFileBytes(folder_ + L"\\Board_10DE_AF0610EC.icm", "newer profile");
    wine_test::WriteFileBytes(kStaging + L"\\other.dat", "kept");
    ASSERT_EQ(RunTool(exe_, L"").exitCode, 0u);
    EXPECT_EQ(wine_test::ReadFileBytes(kStaging + L"\\Board_10DE_AF0610EC.icm"), "newer profile");
    EXPECT_EQ(wine_test::ReadFileBytes(kStaging + L"\\other.dat"), "kept");
}

TEST_F(ToolTest, RegistrySwitchSendsTraceLinesToBothSinks) {
    SetDebugSwitch(L"1");
    const ToolRun run = RunTool(exe_, L"");
    EXPECT_EQ(run.exitCode, 0u);
    const std::wstring output = wine_test::DecodeOutput(run.output);
    for (const wchar_t* line :
         {L"WTSQuerySessionInformationFunc is not NULL", L"EnumDisplayDevicesFunc is not NULL",
          L"QueryDisplayConfigFunc is not NULL", L"Copy files....", L"ICM tag....", L"Associate...."}) {
        EXPECT_NE(output.find(std::wstring(L"[Tintfold W] ") + line + L"\r\n"), std::wstring::npos)
            << "missing on standard output: " << wine_test::DecodeOutput(run.output).size() << " "
            << run.output;
        EXPECT_TRUE(Contains(run.debugger, line)) << "missing on the debugger output";
    }
    // Narrow and wide text mix in order on standard output: a wide trace line keeps its narrow prefix.
    EXPECT_NE(output.find(L"[Tintfold S] AssociateColorProfile - file not exist:["), std::wstring::npos)
        << run.output;
    EXPECT_TRUE(StartsWith(run.debugger, L"AssociateColorProfile - file not exist:["));
    EXPECT_TRUE(wine_test::Exists(kStaging));
}

TEST_F(ToolTest, RegistrySwitchOtherThanOneLeavesDebugModeOff) {
    SetDebugSwitch(L"2");
    const ToolRun run = RunTool(exe_, L"");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output.find("[Tintfold"), std::string::npos) << run.output;
    EXPECT_FALSE(Contains(run.debugger, L"Copy files...."));
}

TEST_F(ToolTest, PerUserSwitchSendsWideLinesToTheDebuggerOnly) {
    ASSERT_EQ(SHCreateDirectoryExW(nullptr, kStaging.c_str(), nullptr), ERROR_SUCCESS);
    const std::wstring dataFile = kStaging + L"\\" + ConsoleUser() + L"_my_lu_data.sys";
    wine_test::WriteFileBytes(dataFile, "[Main]\r\nDebugMessage=1\r\n");

    const ToolRun run = RunTool(exe_, L"");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(StartsWith(run.debugger, L"AssociateColorProfile - file not exist:[")) << run.debugger.size();
    // Narrow trace lines stay off, and nothing reaches standard output.
    EXPECT_FALSE(Contains(run.debugger, L"Copy files...."));
    EXPECT_EQ(run.output.find("[Tintfold"), std::string::npos) << run.output;
    // The tool only reads the file; with no profile found it writes no tag.
    EXPECT_EQ(wine_test::ReadFileBytes(dataFile), "[Main]\r\nDebugMessage=1\r\n");
}

TEST_F(ToolTest, LibrariesPlantedBesideItAreNeverLoaded) {
    const std::wstring planted = wine_test::OnDriveZ(PLANTED_DLL);
    // The planted library leaves its marker whenever a process loads it.
    const std::wstring probe = folder_ + L"\\probe.dll";
    ASSERT_TRUE(CopyFileW(planted.c_str(), probe.c_str(), FALSE));
    const HMODULE loaded = LoadLibraryW(probe.c_str());
    ASSERT_NE(loaded, nullptr);
    FreeLibrary(loaded);
    ASSERT_TRUE(wine_test::Exists(probe + L".loaded"));

    for (const wchar_t* name : {L"wtsapi32.dll", L"mscms.dll"}) {
        ASSERT_TRUE(CopyFileW(planted.c_str(), (folder_ + L"\\" + name).c_str(), FALSE));
    }
    // Wine takes a library file beside the program over its own only when told to, as Windows' search
    // order would for a library that is not a known one.
    wchar_t overrides[512] = {};
    const DWORD length = GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 512);
    ASSERT_LT(length, 512u);
    SetEnvironmentVariableW(L"WINEDLLOVERRIDES", (std::wstring(L"wtsapi32,mscms=n,b;") + overrides).c_str());
    SetDebugSwitch(L"1");
    const ToolRun run = RunTool(exe_, L"one");
    SetEnvironmentVariableW(L"WINEDLLOVERRIDES", length > 0 ? overrides : nullptr);

    EXPECT_EQ(run.exitCode, 0u);
    const std::wstring output = wine_test::DecodeOutput(run.output);
    EXPECT_EQ(output.find(L"0: " + exe_ + L"\r\n1: one\r\n"), 0u) << run.output;
    EXPECT_NE(output.find(L"WTSQuerySessionInformationFunc is not NULL"), std::wstring::npos) << run.output;
    EXPECT_FALSE(wine_test::Exists(folder_ + L"\\wtsapi32.dll.loaded"));
    EXPECT_FALSE(wine_test::Exists(folder_ + L"\\mscms.dll.loaded"));
}

} // namespace
