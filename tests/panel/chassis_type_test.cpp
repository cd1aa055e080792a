#include "panel/chassis_type.h"

#include "platform/com.h"
#include "support/wmi_machine.h"

namespace {

class ChassisTypeTest : public WmiMachineTest {
  protected:
    void LoadEnclosures(const sim::Json& enclosures, const sim::Json& faults = sim::Json::array()) {
        Load({{"wmi", {{"ROOT\\CIMV2", {{"Win32_SystemEnclosure", enclosures}}}}}, {"faults", faults}});
    }

    int Query() {
        std::fill(std::begin(text_), std::end(text_), u'\0');
        return GetChassisType(text_);
    }

    std::u16string Text() const { return text_; }

    char16_t text_[kChassisText] = {};
};

TEST_F(ChassisTypeTest, FirstTypeOfTheLastReadableEnclosure) {
    struct Case {
        const char* enclosures;
        std::u16string text;
    };
    const Case cases[] = {
        {R"([{"ChassisTypes": [10]}])", u"10"},
        {R"([{"ChassisTypes": [13, 3]}])", u"13"},
        {R"([{"ChassisTypes": [10]}, {"ChassisTypes": [13]}])", u"13"},
        {R"([{"ChassisTypes": [13]}, {"ChassisTypes": [10]}])", u"10"},
        {R"([])", u""},
        // Empty, null and missing values count as unreadable and leave the text as it was.
        {R"([{"ChassisTypes": [13]}, {"ChassisTypes": []}])", u"13"},
        {R"([{"ChassisTypes": [13]}, {"ChassisTypes": null}])", u"13"},
        {R"([{"ChassisTypes": [13]}, {"Tag": "System Enclosure 0"}])", u"13"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.enclosures);
        LoadEnclosures(sim::Json::parse(c.enclosures));
        EXPECT_EQ(Query(), 1);
        EXPECT_EQ(Text(), c.text);
        EXPECT_TRUE(DebugLines().empty());
    }
}

TEST_F(ChassisTypeTest, UnreadableEnclosureIsPassedOver) {
    LoadEnclosures(
        sim::Json::parse(R"([{"ChassisTypes": [13]}, {"ChassisTypes": [10]}])"),
        sim::Json::array({Fault("Get", {{"instance", 1}, {"property", "ChassisTypes"}}, "0x80041002"),
                          Fault("SafeArrayGetElement", {{"instance", 0}, {"index", 0}}, "0x8002000B")}));
    // The first enclosure's element cannot be read, the second's value cannot be had.
    EXPECT_EQ(Query(), 1);
    EXPECT_EQ(Text(), u"");
}

TEST_F(ChassisTypeTest, EachFailingStepWritesItsLine) {
    struct Case {
        sim::Json fault;
        std::string line;
    };
    const Case cases[] = {
        {Fault("CoInitializeSecurity", {}, "0x80004005"),
         "Failed to initialize security. Error code = 0x80004005"},
        {Fault("CoCreateInstance", {}, "0x80040154"), "Failed to create IwbemLocator object"},
        {Fault("ConnectServer", {{"namespace", "ROOT\\CIMV2"}}, "0x80041003"),
         "Could not connect. Error code = 0x80041003"},
        {Fault("CoSetProxyBlanket", {}, "0x80070005"),
         "Could not set proxy blanket. Error code = 0x80070005"},
        {Fault("ExecQuery", {{"class", "Win32_SystemEnclosure"}}, "0x80041001"),
         "Query for system enclosure failed. Error code = 0x80041001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        LoadEnclosures(sim::Json::parse(R"([{"ChassisTypes": [13]}])"), sim::Json::array({c.fault}));
        EXPECT_EQ(Query(), 0);
        EXPECT_EQ(Text(), u"");
        EXPECT_EQ(DebugLines(), std::vector<std::string>{c.line});
    }
    // The service without the class: the query fails with the system's own code.
    Load({{"wmi", {{"ROOT\\CIMV2", sim::Json::object()}}}});
    EXPECT_EQ(Query(), 0);
    EXPECT_EQ(DebugLines(),
              std::vector<std::string>{"Query for system enclosure failed. Error code = 0x80041010"});
}

TEST_F(ChassisTypeTest, SecurityAlreadySetCountsAsSuccess) {
    LoadEnclosures(sim::Json::parse(R"([{"ChassisTypes": [13]}])"));
    EXPECT_EQ(platform::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, 0, 3, nullptr, 0, nullptr),
              platform::S_OK);
    EXPECT_EQ(Query(), 1);
    EXPECT_EQ(Text(), u"13");
    const auto records = JournalRecords("CoInitializeSecurity");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1]["result"], "0x80010119");
    EXPECT_TRUE(DebugLines().empty());
}

} // namespace
