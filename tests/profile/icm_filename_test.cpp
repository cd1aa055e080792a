#include "profile/icm_filename.h"

#include <string>

#include "app/run_context.h"
#include "platform/text.h"
#include "support/profile_support.h"
#include "support/sim_fixture.h"

namespace {

constexpr std::size_t kBase = 512;
const std::u16string kStaging = kStagingFolderW;

class GetIcmFilenameTest : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        MakeFolder(kStaging);
    }
    // The default machine with one monitor per panel and, when given, another board product.
    void LoadPanels(const std::vector<std::string>& panels, const sim::Json& boards = nullptr) {
        sim::Json description;
        description["wmi"] = test::WmiWithPanels(panels);
        if (!boards.is_null()) {
            description["wmi"]["ROOT\\CIMV2"]["Win32_BaseBoard"] = boards;
        }
        LoadMachine(description.dump());
        ResetContext();
        test::PrepareForTagExport();
        g_bDebugMode = true;
    }
    void Stage(const std::u16string& name) const { WriteFile(kStaging + name, "profile"); }
    // Runs the resolution on a buffer that holds "keep" beforehand.
    bool Resolve() {
        platform::WCopy(base_, kBase, u"keep");
        return GetIcmFilename(base_, kBase);
    }
    std::vector<std::string> Lines() const { return test::LinesStartingWith(DebugLines(), "GetIcmFilename"); }
    static std::string Missing(const std::string& name) {
        return "GetIcmFilename - [C:\\ProgramData\\NORVIK\\Quillory\\NORVIKOptimization\\Lumisse\\" + name +
               "] not exist ";
    }

    char16_t base_[kBase] = {};
};

constexpr char kLast[] = "GetIcmFilename - last one still not find ";

TEST_F(GetIcmFilenameTest, FirstCandidateWithAProfileWins) {
    LoadPanels({"AE0D2211", "AF0610EC", "12345678"});
    Stage(u"NX514_8086_AF0610EC.icm");
    Stage(u"NX514_8086_12345678.icm");
    EXPECT_TRUE(Resolve());
    EXPECT_EQ(std::u16string(base_), u"NX514_8086_AF0610EC");
    EXPECT_EQ(Lines(), std::vector<std::string>{Missing("NX514_8086_AE0D2211.icm")});
}

TEST_F(GetIcmFilenameTest, EveryMissingCandidateIsReportedAndTheLastNameKept) {
    LoadPanels({"AF0610EC", "AF0610EC"});
    EXPECT_FALSE(Resolve());
    EXPECT_EQ(std::u16string(base_), u"NX514_8086_AF0610EC");
    EXPECT_EQ(Lines(), (std::vector<std::string>{Missing("NX514_8086_AF0610EC.icm"),
                                                 Missing("NX514_8086_AF0610EC.icm"), kLast}));
}

TEST_F(GetIcmFilenameTest, FolderNamedLikeAProfileCountsAsFound) {
    LoadPanels({"AF0610EC"});
    MakeFolder(kStaging + u"NX514_8086_AF0610EC.icm");
    EXPECT_TRUE(Resolve());
    EXPECT_TRUE(Lines().empty());
}

TEST_F(GetIcmFilenameTest, NothingToTryLeavesTheBufferAlone) {
    LoadPanels({});
    EXPECT_FALSE(Resolve());
    EXPECT_EQ(std::u16string(base_), u"keep");
    EXPECT_TRUE(Lines().empty());

    // Without a board product, neither the adapter nor the panels are asked for.
    LoadPanels({"AF0610EC"}, sim::Json::array());
    EXPECT_FALSE(Resolve());
    EXPECT_EQ(std::u16string(base_), u"keep");
    EXPECT_EQ(g_szMonitorDevice[0], u'\0');
    for (const sim::Json& record : JournalRecords("ExecQuery")) {
        EXPECT_EQ(record["query"].get<std::string>().find("Win32_SystemEnclosure"), std::string::npos);
    }
}

TEST_F(GetIcmFilenameTest, OverlongBoardProductWritesNothingPastItsBuffers) {
    LoadPanels({"AF0610EC"}, sim::Json::array({{{"Product", std::string(5000, 'B')}}}));
    // The path of this candidate does not fit its buffer, so no file is looked for, however it is cut.
    Stage(std::u16string(259 - kStaging.size(), u'B'));
    EXPECT_FALSE(Resolve());
    const std::u16string base(base_);
    EXPECT_LT(base.size(), kBase);
    EXPECT_TRUE(base.ends_with(u"_8086_AF0610EC"));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"GetIcmFilename - [] not exist ", kLast}));
}

} // namespace
