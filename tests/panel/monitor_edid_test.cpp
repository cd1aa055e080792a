#include "panel/monitor_edid.h"

#include <array>

#include "support/wmi_machine.h"

namespace {

constexpr int32_t kNames = 512;
constexpr int32_t kEdid = 128;
constexpr uint32_t kUntouched = 0xEEEEEEEEu;

std::string Name(int i) {
    return "DISPLAY\\PNL" + std::to_string(i) + "\\4&2f7b1c3&0&UID" + std::to_string(i);
}

sim::Json Connection(int i) {
    return {
        {"InstanceName", Name(i)}, {"Active", i == 0}, {"VideoOutputTechnology", i == 0 ? 0x80000000u : 10u}};
}

sim::Json Descriptor(int i, sim::Json content) {
    return {{"InstanceName", Name(i)}, {"BlockType", 1}, {"BlockContent", std::move(content)}};
}

// The caller's arrays for the filling pass, with marks that show what was written.
struct Arrays {
    explicit Arrays(int32_t n)
        : active(static_cast<std::size_t>(n), -7), names(static_cast<std::size_t>(n)),
          technologies(static_cast<std::size_t>(n), kUntouched), ids(static_cast<std::size_t>(n), 0),
          types(static_cast<std::size_t>(n), 0xEE), blocks(static_cast<std::size_t>(n)) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            names[i].fill(u'\0');
            blocks[i].fill(0);
            namePointers.push_back(names[i].data());
            blockPointers.push_back(blocks[i].data());
        }
    }

    int32_t Fill(int32_t capacity) {
        int32_t count = capacity;
        GetMonitorEdid(&count, active.data(), namePointers.data(), kNames, technologies.data(), ids.data(),
                       types.data(), blockPointers.data(), kEdid);
        return count;
    }

    std::vector<int32_t> active;
    std::vector<std::array<char16_t, kNames>> names;
    std::vector<char16_t*> namePointers;
    std::vector<uint32_t> technologies;
    std::vector<uint8_t> ids;
    std::vector<uint8_t> types;
    std::vector<std::array<uint8_t, kEdid>> blocks;
    std::vector<uint8_t*> blockPointers;
};

class MonitorEdidTest : public WmiMachineTest {
  protected:
    void LoadMonitors(sim::Json connections, sim::Json descriptors, sim::Json faults = sim::Json::array()) {
        Load({{"wmi",
               {{"ROOT\\WMI",
                 {{"WmiMonitorConnectionParams", std::move(connections)},
                  {"WmiMonitorDescriptorMethods", std::move(descriptors)}}}}},
              {"faults", std::move(faults)}});
    }

    // Two monitors, each with its own EDID.
    void LoadTwo(sim::Json faults = sim::Json::array()) {
        LoadMonitors(sim::Json::array({Connection(0), Connection(1)}),
                     sim::Json::array({Descriptor(0, EdidHex(0x06, 0xAF, 0xEC, 0x10)),
                                       Descriptor(1, EdidHex(0x4C, 0x2D, 0x01, 0x02))}),
                     std::move(faults));
    }

    int32_t Count() {
        int32_t count = 0;
        GetMonitorEdid(&count, nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0);
        return count;
    }
};

TEST_F(MonitorEdidTest, CountingThenFillingPass) {
    LoadTwo();
    EXPECT_EQ(Count(), 2);
    EXPECT_TRUE(JournalRecords("ExecMethod").empty()) << "the counting pass fetches no block";
    Arrays a(2);
    EXPECT_EQ(Stdout([&] { EXPECT_EQ(a.Fill(2), 2); }), "");
    EXPECT_EQ(a.active, (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(std::u16string(a.names[1].data()), platform::Utf8ToUtf16(Name(1)));
    EXPECT_EQ(a.technologies, (std::vector<uint32_t>{0x80000000u, 10u}));
    EXPECT_EQ(a.types, (std::vector<uint8_t>{1, 1}));
    EXPECT_EQ(a.blocks[0][8], 0x06);
    EXPECT_EQ(a.blocks[1][11], 0x02);
    EXPECT_EQ(a.blocks[1][127], 127);
    const auto calls = JournalRecords("ExecMethod");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0]["path"],
              "\\\\MACHINE\\ROOT\\WMI:WmiMonitorDescriptorMethods.InstanceName=\"DISPLAY\\\\PNL0\\\\4&"
              "2f7b1c3&0&UID0\"");
}

TEST_F(MonitorEdidTest, MonitorCountChangingBetweenPasses) {
    LoadMonitors(sim::Json::array({Connection(0), Connection(1), Connection(2)}), sim::Json::array());
    EXPECT_EQ(Count(), 3);
    LoadMonitors(sim::Json::array({Connection(0), Connection(1)}), sim::Json::array());
    Arrays fewer(3);
    EXPECT_EQ(fewer.Fill(3), 2);
    EXPECT_EQ(fewer.active[2], -7);

    LoadMonitors(sim::Json::array({Connection(0), Connection(1), Connection(2)}),
                 sim::Json::array({Descriptor(2, EdidHex(1, 2, 3, 4)), Descriptor(1, EdidHex(5, 6, 7, 8))}));
    Arrays more(2);
    EXPECT_EQ(more.Fill(2), 2);
    EXPECT_EQ(std::u16string(more.names[1].data()), platform::Utf8ToUtf16(Name(1)));
    EXPECT_EQ(more.blocks[1][8], 5);
    EXPECT_EQ(JournalRecords("ExecMethod").size(), 1u) << "the third monitor is not stored, so not fetched";
}

TEST_F(MonitorEdidTest, ConnectionFailuresAreReportedAndLeaveEverything) {
    struct Case {
        sim::Json fault;
        std::string line;
    };
    const Case cases[] = {
        {Fault("CoCreateInstance", {}, "0x80004005"),
         "Failed to create IWbemLocator object. Err code = 0x80004005\n"},
        {Fault("ConnectServer", {{"namespace", "ROOT\\WMI"}}, "0x8004100e"),
         "Could not connect. Error code = 0x8004100e\n"},
        {Fault("CoSetProxyBlanket", {}, "0x80070005"),
         "Could not set proxy blanket. Error code = 0x80070005\n"},
        {Fault("GetObject", {{"class", "WmiMonitorConnectionParams"}}, "0x80041002"),
         "Could not get class WmiMonitorConnectionParams. Error code = 0x80041002\n"},
        {Fault("CreateInstanceEnum", {{"class", "WmiMonitorConnectionParams"}}, "0x80041001"),
         "Could not get class instance WmiMonitorConnectionParams. Error code = 0x80041001\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        LoadTwo(sim::Json::array({c.fault}));
        EXPECT_EQ(Stdout([&] { EXPECT_EQ(Count(), 0); }), c.line);
        Arrays a(2);
        EXPECT_EQ(Stdout([&] { EXPECT_EQ(a.Fill(2), 2); }), c.line);
        EXPECT_EQ(a.active, (std::vector<int32_t>{-7, -7}));
        EXPECT_EQ(a.blocks[0][8], 0);
    }
    // A system without the monitor provider's classes.
    Load({{"wmi", {{"ROOT\\WMI", sim::Json::object()}}}});
    EXPECT_EQ(Stdout([&] { EXPECT_EQ(Count(), 0); }),
              "Could not get class WmiMonitorConnectionParams. Error code = 0x80041002\n");
}

TEST_F(MonitorEdidTest, PropertyFailureEndsOnlyTheFirstStage) {
    for (const char* property : {"Active", "InstanceName", "VideoOutputTechnology"}) {
        SCOPED_TRACE(property);
        LoadTwo(sim::Json::array(
            {Fault("Get", {{"class", "WmiMonitorConnectionParams"}, {"instance", 1}, {"property", property}},
                   "0x80041002")}));
        Arrays a(2);
        EXPECT_EQ(Stdout([&] { EXPECT_EQ(a.Fill(2), 1); }),
                  "Could not get property " + std::string(property) + ". Error code = 0x80041002\n");
        EXPECT_EQ(a.blocks[0][8], 0x06) << "the blocks of the monitors read are still fetched";
        EXPECT_EQ(a.blocks[1][8], 0);
    }
}

TEST_F(MonitorEdidTest, ValuesOfAnotherTypeAreNotStored) {
    LoadMonitors(sim::Json::array(
                     {{{"InstanceName", 42}, {"Active", "yes"}, {"VideoOutputTechnology", "internal"}},
                      {{"InstanceName", Name(1)}, {"Active", nullptr}, {"VideoOutputTechnology", nullptr}}}),
                 sim::Json::array(
                     {Descriptor(1, EdidHex(1, 2, 3, 4)), {{"InstanceName", 42}, {"BlockContent", "00"}}}));
    Arrays a(2);
    EXPECT_EQ(Stdout([&] { EXPECT_EQ(a.Fill(2), 2); }), "");
    EXPECT_EQ(a.active, (std::vector<int32_t>{-7, 0}));
    EXPECT_EQ(a.technologies, (std::vector<uint32_t>{kUntouched, kUntouched}));
    EXPECT_EQ(a.names[0][0], u'\0');
    EXPECT_EQ(a.blocks[1][8], 1);
    EXPECT_EQ(JournalRecords("ExecMethod").size(), 1u);
}

TEST_F(MonitorEdidTest, DescriptorsPairByNameIgnoringCase) {
    sim::Json upper = Descriptor(0, EdidHex(9, 9, 9, 9));
    upper["InstanceName"] = "display\\pnl0\\4&2F7B1C3&0&uid0";
    LoadMonitors(sim::Json::array({Connection(0), Connection(1)}),
                 sim::Json::array({Descriptor(7, EdidHex(1, 1, 1, 1)), upper}));
    Arrays a(2);
    EXPECT_EQ(Stdout([&] { a.Fill(2); }), "");
    EXPECT_EQ(a.blocks[0][8], 9);
    EXPECT_EQ(a.blocks[1], (std::array<uint8_t, kEdid>{})) << "no descriptor names the second monitor";
}

TEST_F(MonitorEdidTest, BlockContentShapes) {
    std::string twoBlocks = EdidHex(1, 2, 3, 4) + std::string(256, 'A');
    struct Case {
        sim::Json content;
        std::vector<std::pair<std::size_t, uint8_t>> expected;
    };
    const Case cases[] = {
        // The EDID with its extension: the base block is fetched whole.
        {twoBlocks, {{8, 1}, {11, 4}, {127, 127}}},
        // An answer of 256 bytes: the first 128 are kept.
        {{{"bytes", EdidHex(1, 2, 3, 4) + std::string(256, 'B')}}, {{8, 1}, {127, 127}}},
        // Two-byte elements are not taken at all.
        {{{"bytes", EdidHex(1, 2, 3, 4)}, {"elementSize", 2}}, {{8, 0}, {0, 0}}},
        // Element k lands at position k: below 0 and from the capacity on, elements are dropped.
        {{{"bytes", EdidHex(1, 2, 3, 4)}, {"lowerBound", -3}}, {{5, 1}, {124, 127}, {127, 0}}},
        {{{"bytes", EdidHex(1, 2, 3, 4)}, {"lowerBound", 5}}, {{0, 0}, {4, 0}, {5, 0}, {13, 1}, {127, 122}}},
        // A short block fills only its own bytes.
        {"00FFFFFFFFFFFF00AF06", {{8, 0xAF}, {9, 0x06}, {10, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content.dump().substr(0, 60));
        LoadMonitors(sim::Json::array({Connection(0)}), sim::Json::array({Descriptor(0, c.content)}));
        Arrays a(1);
        EXPECT_EQ(Stdout([&] { EXPECT_EQ(a.Fill(1), 1); }), "");
        for (const auto& [position, value] : c.expected) {
            EXPECT_EQ(a.blocks[0][position], value) << position;
        }
    }
}

TEST_F(MonitorEdidTest, ElementFailureStopsOnlyThatBlock) {
    LoadTwo(sim::Json::array({Fault("SafeArrayGetElement", {{"instance", 0}, {"index", 40}}, "0x8002000B")}));
    Arrays a(2);
    EXPECT_EQ(Stdout([&] { a.Fill(2); }), "Could not get element. Error code =0x8002000b\n");
    EXPECT_EQ(a.blocks[0][39], 39);
    EXPECT_EQ(a.blocks[0][40], 0);
    EXPECT_EQ(a.blocks[1][8], 0x4C);
}

TEST_F(MonitorEdidTest, BlockStageFailuresEndTheRoutineKeepingEarlierBlocks) {
    struct Case {
        sim::Json fault;
        std::string line;
    };
    const Case cases[] = {
        {Fault("Get", {{"class", "WmiMonitorDescriptorMethods"}, {"instance", 1}, {"property", "__Path"}},
               "0x80041002"),
         "Could not get class instance path. Error code = 0x80041002\n"},
        {Fault("Get",
               {{"class", "WmiMonitorDescriptorMethods"}, {"instance", 1}, {"property", "InstanceName"}},
               "0x80041002"),
         "Could not get property InstanceName. Error code = 0x80041002\n"},
        {Fault("GetMethod", {{"instance", 1}}, "0x8004102e"),
         "Could not get method WmiGetMonitorRawEEdidV1Block. Error code = 0x8004102e\n"},
        {Fault("Put", {{"instance", 1}}, "0x80041005"), "Could not put Command. Error code = 0x80041005\n"},
        {Fault("ExecMethod", {{"instance", 1}}, "0x80041001"),
         "Could not execute method. Error code = 0x80041001\n"},
        {Fault("Get", {{"class", "WmiMonitorDescriptorMethods"}, {"instance", 1}, {"property", "BlockType"}},
               "0x80041002"),
         "Could not get BlockType. Error code = 0x80041002\n"},
        {Fault("Get",
               {{"class", "WmiMonitorDescriptorMethods"}, {"instance", 1}, {"property", "BlockContent"}},
               "0x80041002"),
         "Could not get BlockContent. Error code = 0x80041002\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        LoadMonitors(sim::Json::array({Connection(0), Connection(1), Connection(2)}),
                     sim::Json::array({Descriptor(0, EdidHex(1, 1, 1, 1)), Descriptor(1, EdidHex(2, 2, 2, 2)),
                                       Descriptor(2, EdidHex(3, 3, 3, 3))}),
                     sim::Json::array({c.fault}));
        Arrays a(3);
        EXPECT_EQ(Stdout([&] { EXPECT_EQ(a.Fill(3), 3); }), c.line);
        EXPECT_EQ(a.blocks[0][8], 1);
        EXPECT_EQ(a.blocks[2][8], 0) << "the routine ends at the failure";
    }
    const char* classSteps[] = {"GetObject", "CreateInstanceEnum"};
    for (const char* call : classSteps) {
        LoadTwo(sim::Json::array({Fault(call, {{"class", "WmiMonitorDescriptorMethods"}}, "0x80041002")}));
        Arrays a(2);
        const std::string what = std::string(call) == "GetObject" ? "class" : "class instance";
        EXPECT_EQ(Stdout([&] { EXPECT_EQ(a.Fill(2), 2); }),
                  "Could not get " + what + " WmiMonitorDescriptorMethods. Error code = 0x80041002\n");
        EXPECT_EQ(std::u16string(a.names[1].data()), platform::Utf8ToUtf16(Name(1)));
        EXPECT_EQ(a.blocks[0][8], 0);
    }
}

TEST_F(MonitorEdidTest, MethodWithoutOutputOrBlockSkipsSilently) {
    LoadTwo(sim::Json::array({Fault("ExecMethod.noOutput", {{"instance", 0}})}));
    Arrays a(2);
    EXPECT_EQ(Stdout([&] { a.Fill(2); }), "");
    EXPECT_EQ(a.blocks[0][8], 0);
    EXPECT_EQ(a.blocks[1][8], 0x4C);
    // A block that the monitor does not have is the method's failure.
    LoadTwo();
    Arrays second(2);
    second.ids = {1, 0};
    EXPECT_EQ(Stdout([&] { second.Fill(2); }), "Could not execute method. Error code = 0x80041008\n");
    EXPECT_EQ(second.blocks[1][8], 0);
}

} // namespace
