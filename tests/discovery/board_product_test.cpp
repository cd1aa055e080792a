#include "discovery/board_product.h"

#include "platform/text.h"
#include "support/wmi_machine.h"

namespace {

class BoardProductTest : public WmiMachineTest {
  protected:
    void LoadBoards(const sim::Json& boards, const sim::Json& faults = sim::Json::array()) {
        Load({{"wmi", {{"ROOT\\CIMV2", {{"Win32_BaseBoard", boards}}}}}, {"faults", faults}});
    }

    int Query() {
        std::fill(std::begin(product_), std::end(product_), u'\0');
        return GetBoardProduct(product_);
    }

    std::u16string Product() const { return product_; }

    // Room beyond the routine's buffer, to see that nothing is written past it.
    char16_t product_[kBoardProductText + 8] = {};
};

TEST_F(BoardProductTest, LastReadableProductStandsAndUpperCaseErrorFails) {
    struct Case {
        const char* boards;
        std::u16string product;
        int result;
    };
    const Case cases[] = {
        {R"([])", u"ERROR", 0},
        {R"([{"Product": "A"}, {"Product": "B"}])", u"B", 1},
        {R"([{"Product": "NXERRORS"}])", u"NXERRORS", 0},
        {R"([{"Product": "ERROR"}])", u"ERROR", 0},
        {R"([{"Product": "error"}])", u"error", 1},
        {R"([{"Product": ""}])", u"", 1},
        // Values that cannot be read as a string leave the earlier one standing.
        {R"([{"Product": "A"}, {"Product": null}])", u"A", 1},
        {R"([{"Product": "A"}, {"Product": 42}])", u"A", 1},
        {R"([{"Product": "A"}, {"Tag": "Base Board"}])", u"A", 1},
        {R"([{"Product": null}])", u"ERROR", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.boards);
        LoadBoards(sim::Json::parse(c.boards));
        EXPECT_EQ(Query(), c.result);
        EXPECT_EQ(Product(), c.product);
    }
}

TEST_F(BoardProductTest, LongProductIsCutToTheBuffer) {
    const std::string longName(10000, 'Q');
    LoadBoards(sim::Json::array({{{"Product", longName}}}));
    EXPECT_EQ(Query(), 1);
    EXPECT_EQ(Product(), std::u16string(kBoardProductText - 1, u'Q'));
    for (std::size_t i = kBoardProductText; i < std::size(product_); ++i) {
        EXPECT_EQ(product_[i], 0) << i;
    }
}

TEST_F(BoardProductTest, EveryFailingStepLeavesErrorAndLogsNothing) {
    const sim::Json failures[] = {
        Fault("CoCreateInstance", {}, "0x80004005"),
        Fault("ConnectServer", {{"namespace", "ROOT\\CIMV2"}}, "0x80041003"),
        Fault("CoSetProxyBlanket", {{"namespace", "ROOT\\CIMV2"}}, "0x80070005"),
        Fault("ExecQuery", {{"class", "Win32_BaseBoard"}}, "0x80041001"),
    };
    for (const sim::Json& fault : failures) {
        SCOPED_TRACE(fault.dump());
        LoadBoards(sim::Json::array({{{"Product", "NX514"}}}), sim::Json::array({fault}));
        int result = -1;
        EXPECT_EQ(Stdout([&] { result = Query(); }), "");
        EXPECT_EQ(result, 0);
        EXPECT_EQ(Product(), u"ERROR");
        EXPECT_TRUE(DebugLines().empty());
    }
    // A machine without the class, and one without the namespace, fail the same way.
    Load({{"wmi", {{"ROOT\\CIMV2", sim::Json::object()}}}});
    EXPECT_EQ(Query(), 0);
    Load({{"wmi", sim::Json::object()}});
    EXPECT_EQ(Query(), 0);
    EXPECT_EQ(Product(), u"ERROR");
}

TEST_F(BoardProductTest, WithoutComTheLocatorCannotBeCreated) {
    platform::CoUninitialize();
    EXPECT_EQ(Query(), 0);
    EXPECT_TRUE(JournalRecords("ConnectServer").empty());
}

} // namespace
