// The package check as built for Windows, run under Wine on a folder of the Windows file system: the
// folder listing, the file reading and the colour system's profile reader of the real backend.
#include <gtest/gtest.h>

#include <string>

#include "wine_support.h"

namespace {

constexpr unsigned kPngm = 0x706E676D;
constexpr unsigned kPntp = 0x706E7470;
constexpr unsigned kI1tp = 0x69317470;

class PackageCheckWineTest : public ::testing::Test {
  protected:
    void SetUp() override { folder_ = wine_test::MakeTempFolder(); }
    void TearDown() override { wine_test::RemoveTree(folder_); }

    wine_test::ProcessResult Check(const std::wstring& options) {
        return wine_test::Run(L"\"" + wine_test::OnDriveZ(TINTFOLD_CHECK_EXE) + L"\" " + options + L" \"" +
                              folder_ + L"\"");
    }

    std::wstring folder_;
};

TEST_F(PackageCheckWineTest, SoundPairPassesAndBrokenFilesAreProblems) {
    const std::string profile = wine_test::MakeProfile({{kPngm, "Gamut"}, {kPntp, "IPS"}, {kI1tp, "D65"}});
    wine_test::WriteFileBytes(folder_ + L"\\NX514_8086_AF0610EC.icm", profile);
    wine_test::WriteFileBytes(folder_ + L"\\NX514_8086_AF0610EC_CMDEF.icm", profile);
    const wine_test::ProcessResult sound = Check(L"");
    EXPECT_EQ(sound.exitCode, 0u) << sound.output;
    EXPECT_NE(sound.output.find("panel AF0610EC  pngm \"Gamut\"  pntp \"IPS\"  i1tp \"D65\"  ok"),
              std::string::npos)
        << sound.output;

    wine_test::WriteFileBytes(folder_ + L"\\NX514_8086_00000001.icm", profile.substr(0, 100));
    wine_test::WriteFileBytes(folder_ + L"\\NX514_8086_00000001_CMDEF.icm", profile + "extra");
    wine_test::WriteFileBytes(folder_ + L"\\NX514_8086_00000002.ICC", profile);
    const wine_test::ProcessResult broken = Check(L"--json");
    EXPECT_EQ(broken.exitCode, 1u) << broken.output;
    EXPECT_NE(broken.output.find("100 bytes: too short"), std::string::npos) << broken.output;
    EXPECT_NE(broken.output.find("its header gives its size as"), std::string::npos) << broken.output;
    EXPECT_NE(broken.output.find("\"notStaged\": [\"NX514_8086_00000002.ICC\"]"), std::string::npos)
        << broken.output;
}

} // namespace
