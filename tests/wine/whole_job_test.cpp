// Whole runs of the built tool under Wine, up to the colour system. Wine describes no monitor, so no
// candidate matches and the profile base name stays empty: the variant the tool associates is
// "<staging>\_CMDEF.icm". The run must never reach the calibration-management switch, which Wine does
// not implement and which ends the process; so the profile is installed here first, and the
// association the tool will make is tried here first, for the very device it will name.
#include <gtest/gtest.h>

#include <string>

#include "app/run_context.h"
#include "discovery/board_product.h"
#include "discovery/display_discovery.h"
#include "panel/panel_candidates.h"
#include "platform/color_system.h"
#include "platform/com.h"
#include "platform/display.h"
#include "platform/library.h"
#include "platform/terminal_services.h"
#include "profile/icc_tag.h"

#include "in_process.h"
#include "wine_support.h"

#include <windows.h>

#include <icm.h>

namespace {

using wine_test::W;

const std::wstring kStaging = L"C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse";
const std::wstring kDebugKey = L"\"HKLM\\Software\\NORVIK\\Quillory\\NorvikOptimization\"";

std::size_t CountOf(const std::wstring& text, const std::wstring& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The console session's user name, as the terminal-services query gives it.
std::wstring ConsoleUser() {
    char16_t* name = nullptr;
    platform::DWORD bytes = 0;
    if (platform::WTSQuerySessionInformationW(platform::WTS_CURRENT_SERVER_HANDLE(),
                                              platform::WTSGetActiveConsoleSessionId(), platform::WTSUserName,
                                              &name, &bytes) == platform::kFalse ||
        name == nullptr) {
        return L"";
    }
    const std::wstring user = W(name);
    using FreeMemory = void(WINAPI*)(void*);
    const platform::HMODULE library = platform::LoadLibraryW(u"wtsapi32.dll");
    if (const auto release =
            platform::ProcAs<FreeMemory>(platform::GetProcAddress(library, "WTSFreeMemory"))) {
        release(name);
    }
    return user;
}

class WholeJobTest : public wine_test::InProcessTest {
  protected:
    void SetUp() override {
        ResetRunContext();
        wine_test::RemoveTree(L"C:\\ProgramData\\NORVIK");
        folder_ = wine_test::MakeTempFolder();
        exe_ = folder_ + L"\\tintfold.exe";
        ASSERT_TRUE(CopyFileW(wine_test::OnDriveZ(TINTFOLD_EXE).c_str(), exe_.c_str(), FALSE))
            << GetLastError();
        ASSERT_TRUE(
            wine_test::Shell(L"reg add " + kDebugKey + L" /v LumisseDebug /t REG_DWORD /d 1 /reg:64 /f"));

        // What the tool will find: the board, the adapter's vendor and its monitor, and no candidate.
        const platform::HMODULE user32 = platform::LoadLibraryW(u"user32.dll");
        EnumDisplayDevicesFunc = platform::ProcAs<platform::PFN_EnumDisplayDevicesW>(
            platform::GetProcAddress(user32, "EnumDisplayDevicesW"));
        char16_t board[kBoardProductText] = {};
        char16_t vendor[10] = {};
        ASSERT_EQ(GetBoardProduct(board), 1);
        ASSERT_EQ(my_Get_VGA_VID2(vendor), 1);
        ASSERT_TRUE(GetPanelCandidates().empty()) << "Wine describes a monitor: the base name is not empty";
        board_ = W(board);
        vendor_ = W(vendor);
        monitorDevice_ = W(g_szMonitorDevice);
    }

    void TearDown() override {
        if (!installed_.empty()) {
            UninstallColorProfileW(nullptr, installed_.c_str(), TRUE);
        }
        ResetRunContext();
        wine_test::Shell(L"reg delete " + kDebugKey + L" /v LumisseDebug /reg:64 /f");
        wine_test::RemoveTree(L"C:\\ProgramData\\NORVIK");
        wine_test::RemoveTree(folder_);
    }

    // Installs the profile into the colour system, remembering its installed copy for removal.
    void Install(const std::wstring& path, const std::wstring& name) {
        ASSERT_TRUE(platform::InstallColorProfileW(nullptr, wine_test::U(path).c_str())) << GetLastError();
        wchar_t directory[MAX_PATH] = {};
        DWORD size = sizeof directory;
        ASSERT_TRUE(GetColorDirectoryW(nullptr, directory, &size));
        installed_ = std::wstring(directory) + L"\\" + name;
    }

    wine_test::ProcessResult RunTool() {
        wine_test::ProcessResult run = wine_test::Run(L"\"" + exe_ + L"\"");
        output_ = wine_test::DecodeOutput(run.output);
        return run;
    }

    std::wstring folder_;
    std::wstring exe_;
    std::wstring board_;
    std::wstring vendor_;
    std::wstring monitorDevice_;
    std::wstring installed_;
    std::wstring output_;
};

TEST_F(WholeJobTest, InstalledVariantIsAssociatedAtTheFirstAttempt) {
    const std::wstring beside = folder_ + L"\\_CMDEF.icm";
    wine_test::WriteFileBytes(beside, wine_test::MakeProfile({{MakeTagSignature("pngm"), "Default panel"}}));
    Install(beside, L"_CMDEF.icm");
    // The association the tool will make: if Wine refused it, the run would go on to the calibration
    // switch, so the run is not started at all then.
    ASSERT_TRUE(platform::AssociateColorProfileWithDeviceW(nullptr, u"_CMDEF.icm",
                                                           wine_test::U(monitorDevice_).c_str()))
        << "device [" << std::string(monitorDevice_.begin(), monitorDevice_.end()) << "]";

    EXPECT_EQ(RunTool().exitCode, 0u);
    const std::wstring variant = kStaging + L"\\_CMDEF.icm";
    EXPECT_TRUE(wine_test::Exists(variant));
    EXPECT_NE(output_.find(L"[Tintfold S] AssociateColorProfile - file exist:[" + variant + L"]\r\n"),
              std::wstring::npos)
        << std::string(output_.begin(), output_.end());
    EXPECT_NE(
        output_.find(L"[Tintfold W] AssociateColorProfile - before AssociateColorProfileWithDevice\r\n"),
        std::wstring::npos);
    EXPECT_NE(
        output_.find(L"[Tintfold W] AssociateColorProfile - after AssociateColorProfileWithDevice, = 1\r\n"),
        std::wstring::npos);
    EXPECT_EQ(output_.find(L"InstallColorProfile"), std::wstring::npos);
    EXPECT_EQ(output_.find(L"WcsSetCalibrationManagementState"), std::wstring::npos);
}

TEST_F(WholeJobTest, DataFileIsLeftAloneWhenNoProfileMatches) {
    const std::wstring user = ConsoleUser();
    ASSERT_FALSE(user.empty());
    ASSERT_TRUE(wine_test::Shell(L"mkdir \"" + kStaging + L"\""));
    const std::wstring dataFile = kStaging + L"\\" + user + L"_my_lu_data.sys";
    const std::string data = "[ICMTag]\r\nPNGM=earlier\r\n";
    wine_test::WriteFileBytes(dataFile, data);
    // A profile named for this board and adapter, as it would be for a panel that reported 00000000.
    const std::wstring profileName = board_ + L"_" + vendor_ + L"_00000000.icm";
    wine_test::WriteFileBytes(folder_ + L"\\" + profileName,
                              wine_test::MakeProfile({{MakeTagSignature("pngm"), "Never read"}}));

    EXPECT_EQ(RunTool().exitCode, 0u);
    EXPECT_TRUE(wine_test::Exists(kStaging + L"\\" + profileName));
    EXPECT_NE(output_.find(L"ini: " + dataFile + L"\r\nicm: " + kStaging + L"\\.icm\r\n"), std::wstring::npos)
        << std::string(output_.begin(), output_.end());
    EXPECT_EQ(CountOf(output_, L"[Tintfold W] GetICMTagContent - icm file not exist.\r\n"), 3u);
    EXPECT_EQ(wine_test::ReadFileBytes(dataFile), data);
    EXPECT_NE(output_.find(L"AssociateColorProfile - file not exist:[" + kStaging + L"\\_CMDEF.icm]"),
              std::wstring::npos);
}

} // namespace
