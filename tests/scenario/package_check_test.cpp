// The package check run as a process on host folders: a sound package, every kind of problem, hostile
// files, long and repeating tag tables, control characters, empty packages, the code page, and bad usage.
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tools/icc_builder.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

struct CheckRun {
    int status = -1;
    std::string out;
};

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

class PackageCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("tintfold-check-test-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    void MakeProfiles(const std::string& options) {
        const std::string command =
            std::string(MAKE_PROFILES_EXE) + " --folder " + Quoted(folder_) + " " + options + " >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    // Overwrites bytes of a file in place.
    void Patch(const std::string& name, std::streamoff offset, const std::string& bytes) {
        std::fstream file(folder_ / name, std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(offset);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    static CheckRun Check(const std::string& arguments, const std::string& streams = "2>/dev/null") {
        const std::string command = std::string(TINTFOLD_CHECK_EXE) + " " + arguments + " " + streams;
        CheckRun run;
        FILE* pipe = popen(command.c_str(), "r");
        char chunk[4096];
        for (std::size_t n; pipe != nullptr && (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
            run.out.append(chunk, n);
        }
        const int status = pipe != nullptr ? pclose(pipe) : -1;
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    // The problems of each file, by name, from the JSON report; the exit status in status.
    std::map<std::string, std::vector<std::string>> Problems(int& status, const std::string& options = "") {
        const CheckRun run = Check("--json " + options + " " + Quoted(folder_));
        status = run.status;
        std::map<std::string, std::vector<std::string>> problems;
        const Json report = Json::parse(run.out);
        for (const Json& file : report["files"]) {
            problems[file["name"]] = file["problems"].get<std::vector<std::string>>();
        }
        return problems;
    }

    fs::path folder_;
};

bool Mentions(const std::vector<std::string>& problems, const std::string& text) {
    for (const std::string& problem : problems) {
        if (problem.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST_F(PackageCheckTest, SoundPackageShowsItsTagTextsAndPasses) {
    MakeProfiles("--panel AF0610EC --panel 12345678");
    const CheckRun text = Check(Quoted(folder_));
    EXPECT_EQ(text.status, 0) << text.out;
    EXPECT_NE(
        text.out.find("NX514_8086_AF0610EC.icm  board NX514  vendor 8086  panel AF0610EC  pngm \"Gamut 100% "
                      "sRGB\"  pntp \"IPS 1920x1080\"  i1tp \"D65 gamma 2.2\"  ok\n"),
        std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("4 profile files checked: 4 sound, 0 with problems\n"), std::string::npos);

    int status = -1;
    const auto problems = Problems(status);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(problems.size(), 4u);
    for (const auto& [name, list] : problems) {
        EXPECT_TRUE(list.empty()) << name;
    }
}

TEST_F(PackageCheckTest, EachProblemBelongsToItsFile) {
    MakeProfiles(
        "--board A_B --panel 0000000A --pntp \"$(printf 'two\\nlines')\" --i1tp \"$(printf '%600s' x)\" "
        "--pngm ''");
    MakeProfiles("--vendor 80861 --panel XYZ00001 --omit pngm --raw pntp=58595A20000000000000000000000000 "
                 "--raw i1tp=6D6C75630000000000000000");
    MakeProfiles("--panel 0000000C --no-cmdef");
    MakeProfiles("--panel 0000000D");
    fs::remove(folder_ / "NX514_8086_0000000D.icm");
    MakeProfiles("--panel 0000000E");
    Patch("NX514_8086_0000000E_CMDEF.icm", 12, "prtr");
    fs::copy_file(folder_ / "NX514_8086_0000000C.icm", folder_ / "nx514_8086_0000000c.icm");
    std::ofstream(folder_ / "notaprofile.icm") << "text";

    int status = -1;
    auto problems = Problems(status);
    EXPECT_EQ(status, 1);
    const std::string a = "A_B_8086_0000000A.icm";
    EXPECT_TRUE(problems["A_B_8086_0000000A_CMDEF.icm"].empty()) << "a board may hold \"_\"";
    EXPECT_TRUE(Mentions(problems[a], "tag pngm gives an empty text"));
    EXPECT_TRUE(Mentions(problems[a], "tag pntp has a line break"));
    EXPECT_TRUE(Mentions(problems[a], "tag i1tp is longer than the 511 characters"));
    const std::string x = "NX514_80861_XYZ00001.icm";
    EXPECT_TRUE(Mentions(problems[x], "panel \"XYZ00001\" is not eight hexadecimal digits"));
    EXPECT_TRUE(Mentions(problems[x], "vendor \"80861\" is longer"));
    EXPECT_TRUE(Mentions(problems[x], "tag pngm is missing"));
    EXPECT_TRUE(Mentions(problems[x], "tag pntp is of type \"XYZ \", not a text description: the tool writes "
                                      "an empty PNTP; a textDescriptionType (\"desc\") gives the text"));
    EXPECT_TRUE(Mentions(problems[x], "tag i1tp is of type \"mluc\""));
    EXPECT_TRUE(
        Mentions(problems["NX514_8086_0000000C.icm"], "variant NX514_8086_0000000C_CMDEF.icm is missing"));
    for (const char* name : {"NX514_8086_0000000C.icm", "nx514_8086_0000000c.icm"}) {
        EXPECT_TRUE(Mentions(problems[name], "differs from this one only in letter case")) << name;
    }
    EXPECT_TRUE(
        Mentions(problems["NX514_8086_0000000D_CMDEF.icm"], "factory profile NX514_8086_0000000D.icm"));
    EXPECT_TRUE(
        Mentions(problems["NX514_8086_0000000E_CMDEF.icm"], "device class prtr, not a display profile"));
    EXPECT_TRUE(Mentions(problems["notaprofile.icm"], "the name is not BOARD_VENDOR_PANEL.icm"));
    EXPECT_TRUE(Mentions(problems["notaprofile.icm"], "too short"));
    EXPECT_TRUE(problems["NX514_8086_0000000E.icm"].empty());
}

TEST_F(PackageCheckTest, HostileFilesAreReportedAndTheCheckGoesOn) {
    MakeProfiles("--panel 00000001 --panel 00000002 --panel 00000003 --panel 00000004 --no-cmdef");
    fs::resize_file(folder_ / "NX514_8086_00000001.icm", 200);
    fs::resize_file(folder_ / "NX514_8086_00000002.icm", 0);
    Patch("NX514_8086_00000003.icm", 0, "\xFF\xFF\xFF\xFF");
    Patch("NX514_8086_00000004.icm", 128, "\x7F\xFF\xFF\xFF");
    MakeProfiles("--panel 00000005 --no-cmdef");
    Patch("NX514_8086_00000005.icm", 136, "\xF0\x00\x00\x00");
    fs::create_directory(folder_ / "NX514_8086_00000006.icm");
    fs::create_symlink("/nonexistent", folder_ / "NX514_8086_00000007.icm");
    fs::create_symlink("/dev/zero", folder_ / "NX514_8086_00000008.icm");
    ASSERT_EQ(::mkfifo((folder_ / "NX514_8086_00000009.icm").c_str(), 0600), 0);
    std::ofstream(folder_ / "NX514_8086_\xFF\xFE.icm") << "x";

    int status = -1;
    auto problems = Problems(status);
    EXPECT_EQ(status, 1);
    ASSERT_EQ(problems.size(), 10u);
    EXPECT_TRUE(Mentions(problems["NX514_8086_00000001.icm"], "tag table"));
    EXPECT_TRUE(Mentions(problems["NX514_8086_00000002.icm"], "0 bytes: too short"));
    EXPECT_TRUE(Mentions(problems["NX514_8086_00000003.icm"], "header gives its size as 4294967295 bytes"));
    EXPECT_TRUE(Mentions(problems["NX514_8086_00000004.icm"], "claims 2147483647 tags"));
    EXPECT_TRUE(Mentions(problems["NX514_8086_00000005.icm"], "runs past the end of the file"));
    EXPECT_TRUE(Mentions(problems["NX514_8086_00000006.icm"], "a folder, not a profile file"));
    for (const char* name :
         {"NX514_8086_00000007.icm", "NX514_8086_00000008.icm", "NX514_8086_00000009.icm"}) {
        EXPECT_TRUE(Mentions(problems[name], "cannot be opened for reading")) << name;
    }
}

TEST_F(PackageCheckTest, TextMustFitTheCodePage) {
    MakeProfiles("--panel 0000000A");
    // A text description whose ASCII part holds bytes that are not UTF-8.
    MakeProfiles("--panel 0000000B --raw pngm=646573630000000000000003C32800");
    fs::rename(folder_ / "NX514_8086_0000000A.icm", folder_ / "NX514_8086_0000000A\xCE\xA9.icm");

    int status = -1;
    auto latin = Problems(status);
    EXPECT_TRUE(Mentions(latin["NX514_8086_0000000A\xCE\xA9.icm"], "code page 1252 cannot carry"));
    EXPECT_TRUE(latin["NX514_8086_0000000B.icm"].empty()) << "every byte is a character of code page 1252";
    auto utf8 = Problems(status, "--code-page 65001");
    EXPECT_TRUE(
        Mentions(utf8["NX514_8086_0000000B.icm"], "tag pngm has characters that code page 65001 cannot"));
}

TEST_F(PackageCheckTest, BadUsageIsExplainedOnStandardError) {
    std::ofstream(folder_ / "file") << "x";
    for (const std::string& arguments :
         {std::string(), Quoted(folder_ / "missing"), Quoted(folder_ / "file"),
          "--code-page 999 " + Quoted(folder_), std::string("--code-page"), "--verbose " + Quoted(folder_)}) {
        const CheckRun run = Check(arguments, "2>&1 >/dev/null");
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_TRUE(run.out.starts_with("tintfold-check: ")) << arguments << ": " << run.out;
    }
}

TEST_F(PackageCheckTest, APackageWithoutFactoryProfileIsAProblem) {
    std::ofstream(folder_ / "NX514_8086_AF0610EC.icc") << "x";
    std::ofstream(folder_ / "other.ICC") << "x";
    const CheckRun empty = Check(Quoted(folder_));
    EXPECT_EQ(empty.status, 1) << empty.out;
    EXPECT_NE(empty.out.find("no factory profile BOARD_VENDOR_PANEL.icm in the folder"), std::string::npos);
    EXPECT_NE(empty.out.find("other.ICC  not staged: the tool stages only *.icm files\n"), std::string::npos);

    MakeProfiles("--panel AF0610EC");
    const Json report = Json::parse(Check("--json " + Quoted(folder_)).out);
    EXPECT_EQ(report["summary"]["foldersWithProblems"], 0);
    EXPECT_EQ(report["folders"][0]["notStaged"].size(), 2u) << "*.icc beside *.icm are still listed";
    EXPECT_EQ(Check(Quoted(folder_)).status, 0);
}

TEST_F(PackageCheckTest, ReadsWhatTheNotebookReadsAndReportsEveryProblemOfAFile) {
    // More tags than Little CMS reads (100): the format and Windows set no limit.
    std::vector<test::IccTag> tags = {{test::Sig("pngm"), test::TextDescTag("Gamut")},
                                      {test::Sig("pntp"), test::TextDescTag("IPS")},
                                      {test::Sig("i1tp"), test::TextDescTag("D65")}};
    for (uint32_t i = 0; i < 120; ++i) {
        tags.push_back({test::Sig("x000") + i, test::TextDescTag("filler")});
    }
    test::WriteFile(folder_ / "NX514_8086_0000000A.icm", test::IccProfile(tags));
    test::WriteFile(folder_ / "NX514_8086_0000000A_CMDEF.icm", test::IccProfile(tags));
    // Padding after the fact, a tag named twice and one missing: each is a problem, and the tags are
    // still read.
    test::Bytes padded = test::IccProfile({{test::Sig("pngm"), test::TextDescTag("Gamut")},
                                           {test::Sig("pntp"), test::TextDescTag("IPS")},
                                           {test::Sig("pngm"), test::TextDescTag("other")}});
    padded.resize(padded.size() + 64);
    test::WriteFile(folder_ / "NX514_8086_0000000B.icm", padded);
    test::WriteFile(folder_ / "NX514_8086_0000000B_CMDEF.icm", padded);

    const Json report = Json::parse(Check("--json " + Quoted(folder_)).out);
    std::map<std::string, Json> files;
    for (const Json& file : report["files"]) {
        files[file["name"]] = file;
    }
    EXPECT_TRUE(files["NX514_8086_0000000A.icm"]["problems"].empty()) << files["NX514_8086_0000000A.icm"];
    EXPECT_EQ(files["NX514_8086_0000000A.icm"]["tags"]["i1tp"], "D65");
    const Json& b = files["NX514_8086_0000000B.icm"];
    const auto problems = b["problems"].get<std::vector<std::string>>();
    EXPECT_TRUE(Mentions(problems, "its header gives its size as")) << b;
    EXPECT_TRUE(Mentions(problems, "tag pngm appears twice in the tag table"));
    EXPECT_TRUE(Mentions(problems, "tag i1tp is missing"));
    EXPECT_EQ(b["tags"]["pngm"], "Gamut") << "the first of a repeated tag is read";
    EXPECT_EQ(b["tags"]["pntp"], "IPS");
}

TEST_F(PackageCheckTest, ControlCharactersAreProblemsAndThePlainReportEscapesThem) {
    MakeProfiles(R"x(--panel AF0610EC --pngm "$(printf 'a\033[2Jb\tc"d\\e')")x");
    const CheckRun text = Check(Quoted(folder_));
    EXPECT_EQ(text.status, 1);
    EXPECT_NE(text.out.find(R"(pngm "a\u001B[2Jb\u0009c\"d\\e")"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("tag pngm has a control character, U+001B at character 2"), std::string::npos);
    EXPECT_EQ(text.out.find('\x1B'), std::string::npos);
    EXPECT_EQ(text.out.find('\t'), std::string::npos);
}

} // namespace
