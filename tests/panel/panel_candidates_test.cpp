#include "panel/panel_candidates.h"

#include <algorithm>

#include "app/run_context.h"
#include "support/wmi_machine.h"

namespace {

sim::Json Monitors(const std::vector<std::string>& edids) {
    sim::Json connections = sim::Json::array();
    sim::Json descriptors = sim::Json::array();
    for (std::size_t i = 0; i < edids.size(); ++i) {
        const std::string name = "DISPLAY\\PNL\\UID" + std::to_string(i);
        connections.push_back({{"InstanceName", name}, {"Active", true}, {"VideoOutputTechnology", 0}});
        if (!edids[i].empty()) {
            descriptors.push_back({{"InstanceName", name}, {"BlockContent", edids[i]}});
        }
    }
    return {{"WmiMonitorConnectionParams", connections}, {"WmiMonitorDescriptorMethods", descriptors}};
}

class PanelCandidatesTest : public WmiMachineTest {
  protected:
    void SetUp() override {
        WmiMachineTest::SetUp();
        g_bDebugMode = true;
    }

    void LoadPanel(int chassis, sim::Json acpi, const std::vector<std::string>& edids,
                   sim::Json faults = sim::Json::array()) {
        Load({{"wmi",
               {{"ROOT\\CIMV2",
                 {{"Win32_SystemEnclosure", sim::Json::array({{{"ChassisTypes", {chassis}}}})}}},
                {"ROOT\\WMI", Monitors(edids)}}},
              {"acpi", std::move(acpi)},
              {"faults", std::move(faults)}});
        g_bDebugMode = true;
    }

    bool MonitorsAsked() const {
        for (const sim::Json& record : JournalRecords("ConnectServer")) {
            if (record["namespace"] == "ROOT\\WMI") {
                return true;
            }
        }
        return false;
    }
};

using Candidates = std::vector<std::u16string>;

const sim::Json kDevice = {{"present", true}, {"reply", "78563412"}};

TEST_F(PanelCandidatesTest, EdidSourceGivesOneCandidatePerMonitorInOrder) {
    LoadPanel(10, kDevice,
              {EdidHex(0x06, 0xAF, 0xEC, 0x10), "", EdidHex(0x4C, 0x2D, 0x34, 0x12),
               EdidHex(0x06, 0xAF, 0xEC, 0x10)});
    EXPECT_EQ(GetPanelCandidates(), (Candidates{u"AF0610EC", u"00000000", u"2D4C1234", u"AF0610EC"}));
    EXPECT_TRUE(JournalRecords("CreateFileW").empty()) << "the device is asked only on an All-in-One";
    EXPECT_FALSE(Logged("InitializeQRXACPIDevice Fail !"));

    LoadPanel(10, kDevice, {});
    EXPECT_EQ(GetPanelCandidates(), Candidates{});
    // The default machine's panel.
    Load(sim::Json::object());
    EXPECT_EQ(GetPanelCandidates(), Candidates{u"AF0610EC"});
}

TEST_F(PanelCandidatesTest, AllInOneTakesTheDevicesPanelCodeAlone) {
    struct Case {
        std::string reply;
        std::u16string candidate;
    };
    const Case cases[] = {
        {"78563412", u"12345678"}, {"7856", u"00000000"}, {"78563412FFFFFFFF", u"12345678"},
        {"00000000", u"00000000"}, {"", u"00000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        ResetContext();
        LoadPanel(13, {{"present", true}, {"reply", c.reply}}, {EdidHex(0x06, 0xAF, 0xEC, 0x10)});
        EXPECT_EQ(GetPanelCandidates(), Candidates{c.candidate});
        EXPECT_FALSE(MonitorsAsked()) << "the EDID source is not consulted";
        const auto io = JournalRecords("DeviceIoControl");
        ASSERT_EQ(io.size(), 1u);
        EXPECT_EQ(io[0]["code"], "0x0022240C");
        EXPECT_EQ(io[0]["input"], "474C43440400000000000000");
        EXPECT_TRUE(JournalRecords("CloseHandle").empty()) << "the device stays open";
        EXPECT_NE(g_hAcpiDevice, nullptr);
        EXPECT_NE(g_hAcpiDevice, platform::InvalidHandleValue());
    }
}

TEST_F(PanelCandidatesTest, DeviceThatDoesNotAnswerFallsBackToEdid) {
    LoadPanel(13, {{"present", false}, {"reply", "78563412"}}, {EdidHex(0x06, 0xAF, 0xEC, 0x10)});
    EXPECT_EQ(GetPanelCandidates(), Candidates{u"AF0610EC"});
    EXPECT_TRUE(Logged("InitializeQRXACPIDevice Fail !"));
    EXPECT_EQ(g_hAcpiDevice, platform::InvalidHandleValue());
    EXPECT_TRUE(JournalRecords("DeviceIoControl").empty());

    ResetContext();
    LoadPanel(13, kDevice, {EdidHex(0x06, 0xAF, 0xEC, 0x10)}, sim::Json::array({Fault("DeviceIoControl")}));
    EXPECT_EQ(GetPanelCandidates(), Candidates{u"AF0610EC"});
    EXPECT_TRUE(Logged("DCLG return false !"));
    EXPECT_EQ(JournalRecords("CloseHandle").size(), 1u);
    EXPECT_EQ(g_hAcpiDevice, nullptr);
}

TEST_F(PanelCandidatesTest, FailedChassisQueryNeverOpensTheDevice) {
    LoadPanel(13, kDevice, {EdidHex(0x06, 0xAF, 0xEC, 0x10)},
              sim::Json::array({Fault("ExecQuery", {{"class", "Win32_SystemEnclosure"}}, "0x80041001")}));
    EXPECT_EQ(GetPanelCandidates(), Candidates{u"AF0610EC"});
    EXPECT_TRUE(JournalRecords("CreateFileW").empty());
}

} // namespace
