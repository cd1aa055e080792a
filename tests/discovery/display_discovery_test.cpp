#include "discovery/display_discovery.h"

#include <algorithm>

#include "app/run_context.h"
#include "app/run_report.h"
#include "platform/display.h"
#include "support/wmi_machine.h"

namespace {

constexpr uint32_t kInternal = 0x80000000u;
constexpr uint32_t kHdmi = 5;
constexpr uint32_t kLvds = 6;

sim::Json Monitor(const std::string& name, uint32_t flags) {
    return {{"DeviceName", name},
            {"DeviceString", "Generic PnP Monitor"},
            {"StateFlags", flags},
            {"DeviceID", "MONITOR\\" + name},
            {"DeviceKey", "key"}};
}

sim::Json Adapter(const std::string& name, uint32_t flags, const std::string& id,
                  sim::Json monitors = sim::Json::array()) {
    return {{"DeviceName", name}, {"DeviceString", "GPU"}, {"StateFlags", flags},
            {"DeviceID", id},     {"DeviceKey", "key"},    {"monitors", std::move(monitors)}};
}

sim::Json Path(uint32_t technology, const std::string& source) {
    return {{"outputTechnology", technology}, {"sourceName", source}};
}

class DisplayDiscoveryTest : public WmiMachineTest {
  protected:
    void SetUp() override {
        WmiMachineTest::SetUp();
        g_bDebugMode = true;
    }

    void LoadDisplay(sim::Json adapters, sim::Json paths, sim::Json faults = sim::Json::array()) {
        Load({{"display", {{"adapters", std::move(adapters)}, {"paths", std::move(paths)}}},
              {"faults", faults}});
        EnumDisplayDevicesFunc = &platform::EnumDisplayDevicesW;
    }

    int Discover() {
        std::fill(std::begin(vendor_), std::end(vendor_), u'\0');
        return my_Get_VGA_VID2(vendor_);
    }

    bool LoggedStart(const std::string& start) const {
        const auto lines = DebugLines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.rfind(start, 0) == 0; });
    }

    std::u16string Vendor() const { return vendor_; }

    char16_t vendor_[10] = {};
};

// The primary adapter first, the one that drives the panel second.
sim::Json TwoAdapters() {
    return sim::Json::array({Adapter("\\\\.\\DISPLAY1", 5, "PCI\\VEN_8086&DEV_9A49",
                                     sim::Json::array({Monitor("\\\\.\\DISPLAY1\\Monitor0", 3)})),
                             Adapter("\\\\.\\DISPLAY2", 1, "PCI\\VEN_10DE&DEV_25A2",
                                     sim::Json::array({Monitor("\\\\.\\DISPLAY2\\Monitor0", 3)}))});
}

TEST_F(DisplayDiscoveryTest, InternalNameChoosesTheAdapterOverThePrimaryOne) {
    for (const uint32_t technology : {kInternal, 11u, 13u}) {
        SCOPED_TRACE(technology);
        ResetContext();
        g_bDebugMode = true;
        LoadDisplay(TwoAdapters(),
                    sim::Json::array({Path(kHdmi, "\\\\.\\DISPLAY1"), Path(technology, "\\\\.\\display2")}));
        EXPECT_EQ(Discover(), 1);
        EXPECT_EQ(Vendor(), u"10DE");
        EXPECT_EQ(std::u16string(g_szMonitorName), u"\\\\.\\DISPLAY2\\Monitor0");
        EXPECT_EQ(std::u16string(g_szMonitorDevice), u"MONITOR\\\\\\.\\DISPLAY2\\Monitor0");
        EXPECT_TRUE(Logged("my_Get_VGA_VID2, tszInternal is [\\\\.\\display2]"));
        EXPECT_TRUE(Logged("my_Get_VGA_VID2 - same as internal"));
        EXPECT_FALSE(Logged("my_Get_VGA_VID2 - get primary"));
        EXPECT_TRUE(Logged("my_Get_VGA_VID2 - pwc:_10DE&DEV_25A2, p_vgaVID:10DE"));
    }
}

TEST_F(DisplayDiscoveryTest, WithoutAnInternalNameThePrimaryAdapterIsTaken) {
    const sim::Json noName[] = {
        sim::Json::array(),
        sim::Json::array({Path(kHdmi, "\\\\.\\DISPLAY2"), Path(kLvds, "\\\\.\\DISPLAY2")}),
    };
    for (const sim::Json& paths : noName) {
        SCOPED_TRACE(paths.dump());
        LoadDisplay(TwoAdapters(), paths);
        EXPECT_EQ(Discover(), 1);
        EXPECT_EQ(Vendor(), u"8086");
        EXPECT_TRUE(Logged("my_Get_VGA_VID2, tszInternal is []"));
        EXPECT_TRUE(Logged("my_Get_VGA_VID2 - get primary"));
    }
    // Failures of the display configuration only lose the name.
    const sim::Json faults[] = {
        Fault("GetDisplayConfigBufferSizes", {}, "31"),
        Fault("QueryDisplayConfig", {}, "87"),
        // The first internal path decides even when its name cannot be had.
        Fault("DisplayConfigGetDeviceInfo", {{"path", 0}}, "31"),
    };
    for (const sim::Json& fault : faults) {
        SCOPED_TRACE(fault.dump());
        LoadDisplay(TwoAdapters(),
                    sim::Json::array({Path(kInternal, "\\\\.\\DISPLAY2"), Path(11, "\\\\.\\DISPLAY2")}),
                    sim::Json::array({fault}));
        EXPECT_EQ(Discover(), 1);
        EXPECT_EQ(Vendor(), u"8086");
    }
}

// The report names the path the internal rule took, with the source the machine gives it: here the
// panel and an external monitor on two sources of one adapter.
TEST_F(DisplayDiscoveryTest, ReportNamesThePathThatDrivesThePanel) {
    sim::Json paths = sim::Json::array({Path(kHdmi, "\\\\.\\DISPLAY1"), Path(kInternal, "\\\\.\\DISPLAY2")});
    for (std::size_t i = 0; i < paths.size(); ++i) {
        paths[i]["adapterLuid"] = "0x100000A0B0";
        paths[i]["sourceId"] = i;
    }
    for (const bool named : {true, false}) {
        SCOPED_TRACE(named);
        RunReport report;
        g_pRunReport = &report;
        LoadDisplay(TwoAdapters(), paths,
                    named ? sim::Json::array()
                          : sim::Json::array({Fault("DisplayConfigGetDeviceInfo", {{"path", 1}}, "31")}));
        EXPECT_EQ(Discover(), 1);
        g_pRunReport = nullptr;
        ASSERT_EQ(report.paths.size(), 2u);
        EXPECT_EQ(report.paths[1].adapterId.LowPart, 0xA0B0u);
        EXPECT_EQ(report.paths[1].adapterId.HighPart, 0x10);
        EXPECT_EQ(report.paths[1].sourceId, 1u);
        EXPECT_EQ(report.internalPath, named ? 1 : -1);
        EXPECT_EQ(report.adapterRule, named ? u"internal" : u"primary");
    }
}

TEST_F(DisplayDiscoveryTest, NoAdapterChosen) {
    // An internal name that no adapter carries: the primary flag is not looked at.
    LoadDisplay(TwoAdapters(), sim::Json::array({Path(kInternal, "\\\\.\\DISPLAY9")}));
    g_szMonitorDevice[0] = u'x';
    EXPECT_EQ(Discover(), 0);
    EXPECT_EQ(Vendor(), u"");
    EXPECT_EQ(std::u16string(g_szMonitorDevice), u"x");
    EXPECT_FALSE(Logged("my_Get_VGA_VID2 - get primary"));
    // No adapters at all, and no enumeration function at all.
    LoadDisplay(sim::Json::array(), sim::Json::array());
    EXPECT_EQ(Discover(), 0);
    LoadDisplay(TwoAdapters(), sim::Json::array());
    EnumDisplayDevicesFunc = nullptr;
    EXPECT_EQ(Discover(), 0);
    EXPECT_EQ(Vendor(), u"");
}

TEST_F(DisplayDiscoveryTest, VendorIdentifierFollowsTheFirstUnderscore) {
    const std::string longId = std::string(123, 'P') + "_ABCD";
    struct Case {
        std::string deviceId;
        std::u16string vendor;
    };
    const Case cases[] = {
        {"PCI\\VEN_1002&DEV_73DF", u"1002"},
        {"ROOT\\BASICDISPLAY", u""},
        {"PCI\\VEN_12", u"12"},
        {"A_B_C_D_E", u"B_C_"},
        {longId, u"ABC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deviceId);
        LoadDisplay(sim::Json::array({Adapter("\\\\.\\DISPLAY1", 4, c.deviceId)}), sim::Json::array());
        EXPECT_EQ(Discover(), 1);
        EXPECT_EQ(Vendor(), c.vendor);
        EXPECT_EQ(vendor_[4], 0);
        EXPECT_EQ(LoggedStart("my_Get_VGA_VID2 - pwc:"), !c.vendor.empty());
    }
}

TEST_F(DisplayDiscoveryTest, FirstActiveNonMirroringMonitorIsRecorded) {
    struct Case {
        std::vector<uint32_t> flags;
        std::u16string chosen;
    };
    const Case cases[] = {
        {{0x9, 0x2, 0x0, 0x1}, u"\\\\.\\DISPLAY1\\Monitor3"},
        {{0x3, 0x1}, u"\\\\.\\DISPLAY1\\Monitor0"},
        {{0x9, 0x8, 0x2}, u"earlier"},
        {{}, u"earlier"},
    };
    for (const Case& c : cases) {
        sim::Json monitors = sim::Json::array();
        for (std::size_t j = 0; j < c.flags.size(); ++j) {
            monitors.push_back(Monitor("\\\\.\\DISPLAY1\\Monitor" + std::to_string(j), c.flags[j]));
        }
        SCOPED_TRACE(monitors.dump());
        LoadDisplay(sim::Json::array({Adapter("\\\\.\\DISPLAY1", 4, "PCI\\VEN_8086", monitors)}),
                    sim::Json::array());
        std::copy_n(u"earlier", 8, g_szMonitorName);
        EXPECT_EQ(Discover(), 1);
        EXPECT_EQ(std::u16string(g_szMonitorName), c.chosen);
        EXPECT_EQ(LoggedStart("my_Get_VGA_VID2 - bFind Monitor:"), c.chosen != u"earlier");
    }
    LoadDisplay(sim::Json::array({Adapter("\\\\.\\DISPLAY1", 4, "PCI\\VEN_8086",
                                          sim::Json::array({Monitor("\\\\.\\DISPLAY1\\Monitor0", 9)}))}),
                sim::Json::array());
    EXPECT_EQ(Discover(), 1);
    EXPECT_TRUE(Logged(
        "my_Get_VGA_VID2 - dMonitorIndex:0, ddMon.StateFlags:0x9, ddMon.DeviceID:MONITOR\\\\\\.\\DISPLAY1"
        "\\Monitor0, ddMon.DeviceName:\\\\.\\DISPLAY1\\Monitor0"));
}

TEST_F(DisplayDiscoveryTest, AdapterLineShowsFlagsSigned) {
    LoadDisplay(sim::Json::array({Adapter("\\\\.\\D1", 0x80000004u, "PCI\\VEN_8086")}), sim::Json::array());
    EXPECT_EQ(Discover(), 1);
    EXPECT_TRUE(
        Logged("my_Get_VGA_VID2 - i:0, DeviceID:PCI\\VEN_8086, StateFlags:-2147483644, DeviceName:\\\\.\\D1, "
               "DeviceKey:key, DeviceString:GPU"));
    EXPECT_TRUE(Logged("my_Get_VGA_VID2 - bFind VGA:[\\\\.\\D1]"));
}

} // namespace
