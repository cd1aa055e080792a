#include <cstdlib>
#include <fstream>

#include "platform/com.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/library.h"
#include "platform/registry.h"
#include "platform/sim/com_state.h"
#include "platform/sim/description.h"
#include "platform/sim/faults.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/local_memory.h"
#include "platform/sim/machine.h"
#include "platform/sim/records.h"
#include "platform/text.h"
#include "support/sim_fixture.h"

namespace {

using sim::Json;

// The message of the MachineError a description raises, or "" when it is accepted.
std::string Rejection(const char* description) {
    try {
        sim::Validate(Json::parse(description));
    } catch (const sim::MachineError& e) {
        return e.what();
    }
    return "";
}

TEST(SimMachineValidate, AcceptsTheDefaultAndTheDocumentedForms) {
    EXPECT_EQ(Rejection(sim::DefaultMachine().dump().c_str()), "");
    EXPECT_EQ(Rejection(R"({"program": null, "commandLine": "a b", "registry": {},
        "registry": {"HKLM\\Software\\X": {"$denied": true, "Bin": {"type": "REG_BINARY", "data": "0aFF"},
                     "Q": {"type": "REG_QWORD", "data": 18446744073709551615}}},
        "wmi": {"ROOT\\WMI": {"C": [{"BlockContent": {"bytes": "00", "lowerBound": -1, "elementSize": 1},
                                      "N": null, "A": [1, 2]}], "Empty": []}},
        "faults": [{"call": "Get", "namespace": "ROOT\\CIMV2", "instance": 0, "result": "0x80041002"},
                   {"call": "QueryDisplayConfig", "result": 31}, {"call": "DeviceIoControl"},
                   {"call": "CopyFileToHandle", "to": "C:\\x", "result": 112}],
        "files": {"C:\\ProgramData\\N": {"owner": "alice", "protected": true, "readOnly": true, "locked": false,
                    "acl": [{"deny": "S-1-5-32-544", "rights": ["write", "delete"]},
                            {"allow": "CREATOR OWNER", "rights": 268435456, "inherit": ["object", "inheritOnly"],
                             "inherited": true}]},
                  "\\Users\\a.ini": {"acl": null, "reparseTag": "0x80000017"}},
        "events": [{"after": "CopyFileW", "occurrence": 2, "link": {"path": "C:\\a", "target": "D:\\b"}}],
        "display": {"paths": [{"sourceName": "A", "adapterLuid": "0xFFFFFFFF0000D2F1", "sourceId": 1},
                              {"sourceName": "A", "adapterLuid": "0xffffffff0000d2f1", "sourceId": 1}]},
        "colorSystem": {"displays": {"A": {"userScope": null,
                                           "system": {"profiles": null, "standardDefault": "x"},
                                           "user": {"profiles": [], "extendedDefault": null}}, "B": {}}}})"),
              "");
    // Without a LUID of its own each path is on an adapter of its own.
    EXPECT_EQ(Rejection(R"({"display": {"paths": [{"sourceName": "A", "sourceId": 1},
                                                  {"sourceName": "B", "sourceId": 1}]}})"),
              "");
}

TEST(SimMachineValidate, NumbersBuiltInCodeCountAsWholeNumbers) {
    EXPECT_NO_THROW(sim::Validate(Json{{"ansiCodePage", 65001}, {"console", {{"sessionId", 2}}}}));
    EXPECT_THROW(sim::Validate(Json{{"ansiCodePage", -1}}), sim::MachineError);
    EXPECT_THROW(sim::Validate(Json{{"ansiCodePage", 437}}), sim::MachineError);
    EXPECT_NO_THROW(
        sim::Validate(Json::parse(R"({"faults": [{"call": "SafeArrayGetElement", "index": -2}]})")));
}

TEST(SimMachineValidate, NamesTheOffendingKeyPath) {
    const struct {
        const char* description;
        const char* named;
    } cases[] = {
        {R"({"programm": "x"})", "\"programm\" is not a known key"},
        {R"({"console": {"user": "a", "usr": "b"}})", "\"console.usr\" is not a known key"},
        {R"({"console": {"sessionId": "1"}})", "\"console.sessionId\" must be a whole number"},
        {R"({"console": {"sessionId": -1}})", "\"console.sessionId\" must be a whole number"},
        {R"({"ansiCodePage": 1252.5})", "\"ansiCodePage\""},
        {R"({"missingLibraries": ["a", 1]})", "\"missingLibraries[1]\" must be a string"},
        {R"({"registry": {"HKCU\\X": {}}})", "under HKLM"},
        {R"({"registry": {"HKLM\\X": {"V": {"type": "REG_DWORD", "data": "1"}}}})",
         "\"registry.HKLM\\X.V.data\""},
        {R"({"registry": {"HKLM\\X": {"V": {"type": "REG_DWORD", "data": 4294967296}}}})", "V.data"},
        {R"({"registry": {"HKLM\\X": {"V": {"type": "REG_BINARY", "data": "0G"}}}})", "hexadecimal"},
        {R"({"registry": {"HKLM\\X": {"V": {"type": "REG_MULTI_SZ", "data": "a"}}}})", "V.type"},
        {R"({"registry": {"HKLM\\X": {"V": {"type": "REG_SZ", "data": "a", "size": 1}}}})", "V.size"},
        {R"({"registry": {"HKLM\\X": {"$denied": 1}}})", "$denied\" must be true or false"},
        {R"({"wmi": {"ROOT\\WMI": {"C": {}}}})", "\"wmi.ROOT\\WMI.C\" must be an array"},
        {R"({"wmi": {"ROOT\\WMI": {"C": [{"P": {"x": 1}}]}}})", "\"wmi.ROOT\\WMI.C[0].P\""},
        {R"({"wmi": {"ROOT\\WMI": {"C": [{"P": ["a"]}]}}})", "C[0].P[0]\" must be a whole number"},
        {R"({"wmi": {"ROOT\\WMI": {"C": [{"P": [1, 0.5]}]}}})", "C[0].P[1]\" must be a whole number"},
        {R"({"wmi": {"ROOT\\WMI": {"C": [{"P": 2.1e30}]}}})", "C[0].P\" must be a whole number"},
        {R"({"wmi": {"ROOT\\WMI": {"C": [{"BlockContent": "ABC"}]}}})", "BlockContent"},
        {R"({"wmi": {"ROOT\\WMI": {"C": [{"BlockContent": {"bytes": "00", "lower": 0}}]}}})",
         "BlockContent.lower\""},
        {R"({"display": {"adapters": [{"monitors": [{"monitors": []}]}]}})",
         "\"display.adapters[0].monitors[0].monitors\" is not a known key"},
        {R"({"display": {"paths": [{"outputTechnology": "internal"}]}})",
         "display.paths[0].outputTechnology"},
        {R"({"display": {"paths": [{"adapterLuid": "0x"}]}})", "\"display.paths[0].adapterLuid\" must be"},
        {R"({"display": {"paths": [{"adapterLuid": "0x10000000000000000"}]}})", "paths[0].adapterLuid"},
        {R"({"display": {"paths": [{"adapterLuid": 4096}]}})", "paths[0].adapterLuid"},
        {R"({"display": {"paths": [{"sourceName": "A", "adapterLuid": "0x5"},)"
         R"({"adapterLuid": "0x5", "sourceId": 0}]}})",
         "\"display.paths[1]\" shares its source with display.paths[0]"},
        {R"({"colorSystem": {"displays": {"A": {"userScope": "User"}}}})",
         "\"colorSystem.displays.A.userScope\""},
        {R"({"colorSystem": {"displays": {"A": {"system": {"profiles": "a.icm"}}}}})",
         "\"colorSystem.displays.A.system.profiles\" must be an array"},
        {R"({"colorSystem": {"displays": {"A": {"user": {"default": "a.icm"}}}}})",
         "\"colorSystem.displays.A.user.default\" is not a known key"},
        {R"({"colorSystem": {"displays": {"A": {"user": {"standardDefault": 1}}}}})", "user.standardDefault"},
        {R"({"acpi": {"present": "yes"}})", "\"acpi.present\""},
        {R"({"acpi": {"reply": "123"}})", "\"acpi.reply\""},
        {R"({"colorSystem": {"installed": "a.icm"}})", "\"colorSystem.installed\" must be an array"},
        {R"({"colorSystem": {"associations": ["a.icm"]}})", "\"colorSystem.associations\" must be an object"},
        {R"({"colorSystem": {"associations": {"MONITOR\\X": [1]}}})",
         "\"colorSystem.associations.MONITOR\\X[0]\""},
        {R"({"faults": [{"result": 1}]})", "\"faults[0]\" must name its \"call\""},
        {R"({"faults": [{"call": "ReadFile"}]})", "\"faults[0].call\" names no call"},
        {R"({"faults": [{"call": "ExecQuery", "instance": 0}]})",
         "\"faults[0].instance\" is not a match field"},
        // Fields these calls do not pass: faults that could never fire.
        {R"({"faults": [{"call": "ConnectServer", "class": "X"}]})",
         "\"faults[0].class\" is not a match field"},
        {R"({"faults": [{"call": "CoSetProxyBlanket", "class": "X"}]})",
         "\"faults[0].class\" is not a match"},
        {R"({"faults": [{"call": "CoCreateInstance", "namespace": "ROOT\\WMI"}]})",
         "\"faults[0].namespace\" is not a match field"},
        {R"({"faults": [{"call": "Get", "instance": "0"}]})",
         "\"faults[0].instance\" must be a whole number"},
        {R"({"faults": [{"call": "ExecQuery", "result": "bad"}]})", "\"faults[0].result\""},
        {R"({"faults": [{"call": "DeviceIoControl", "result": 5}]})", "\"faults[0].result\" is not taken"},
        {R"({"faults": [{"call": "CopyFileToHandle", "to": 1}]})", "\"faults[0].to\" must be a string"},
        {R"({"files": {"x.ini": {}}})", "\"files.x.ini\" must be a Windows path on a drive"},
        {R"({"files": {"C:\\x": {"owners": "alice"}}})", "\"files.C:\\x.owners\" is not a known key"},
        {R"({"files": {"C:\\x": {"owner": "S-1-5"}}})", "\"files.C:\\x.owner\" must name an account"},
        {R"({"files": {"C:\\x": {"acl": {}}}})", "\"files.C:\\x.acl\" must be an array or null"},
        {R"({"files": {"C:\\x": {"acl": [{"allow": "Users", "deny": "Users", "rights": "read"}]}}})",
         "\"files.C:\\x.acl[0]\" must give either \"allow\" or \"deny\""},
        {R"({"files": {"C:\\x": {"acl": [{"allow": "Users"}]}}})",
         "\"files.C:\\x.acl[0]\" must give its \"rights\""},
        {R"({"files": {"C:\\x": {"acl": [{"allow": "Users", "rights": ["read", "fly"]}]}}})",
         "\"files.C:\\x.acl[0].rights[1]\" must be one of full, modify"},
        {R"({"files": {"C:\\x": {"acl": [{"allow": "Users", "rights": -1}]}}})",
         "acl[0].rights\" must be one of"},
        {R"({"files": {"C:\\x": {"acl": [{"allow": "Users", "rights": "read", "inherit": ["objects"]}]}}})",
         "\"files.C:\\x.acl[0].inherit[0]\" must be one of object, container"},
        {R"({"files": {"C:\\x": {"acl": [{"allow": "Users", "rights": "read", "inherited": 1}]}}})",
         "acl[0].inherited\" must be true or false"},
        {R"({"files": {"C:\\x": {"reparseTag": 23}}})", "\"files.C:\\x.reparseTag\" must be a reparse tag"},
        {R"({"files": {"C:\\x": {"reparseTag": "0xA000000C"}}})", "reparseTag\" names a link"},
        {R"({"files": {"C:\\x": {"locked": "yes"}}})", "\"files.C:\\x.locked\" must be true or false"},
        {R"({"events": {}})", "\"events\" must be an array"},
        {R"({"events": [{"after": "CreateFileW", "occurrence": 1}]})", "\"events[0]\" must give \"link\""},
        {R"({"events": [{"after": "ReadFile", "occurrence": 1, "link": {"path": "C:\\a", "target": "C:\\b"}}]})",
         "\"events[0].after\" must name a call that the journal records"},
        {R"({"events": [{"after": "CopyFileW", "occurrence": 0, "link": {"path": "C:\\a", "target": "C:\\b"}}]})",
         "\"events[0].occurrence\" counts from 1"},
        {R"({"events": [{"after": "CopyFileW", "occurrence": 1, "link": {"path": "a", "target": "C:\\b"}}]})",
         "\"events[0].link.path\" must be a Windows path on a drive"},
    };
    for (const auto& c : cases) {
        EXPECT_NE(Rejection(c.description).find(c.named), std::string::npos)
            << c.description << " -> " << Rejection(c.description);
    }
    EXPECT_NE(Rejection("[]"), "");
}

TEST(SimMachineDefault, PanelEdidIsCompleteAndNamesThePanel) {
    const std::string hex =
        sim::DefaultMachine()["wmi"]["ROOT\\WMI"]["WmiMonitorDescriptorMethods"][0]["BlockContent"];
    const std::vector<uint8_t> edid = platform::FromHex(hex);
    ASSERT_EQ(edid.size(), 128u);
    unsigned sum = 0;
    for (uint8_t b : edid) {
        sum += b;
    }
    EXPECT_EQ(sum % 256, 0u);
    EXPECT_EQ(platform::ToHex(edid.data(), 8), "00FFFFFFFFFFFF00");
    EXPECT_EQ(platform::ToHex(edid.data() + 8, 4), "06AFEC10");
}

class SimMachineTest : public SimTest {};

TEST_F(SimMachineTest, OverlayReplacesTopLevelKeysWhole) {
    LoadMachine(R"({"registry": {}, "console": {"user": "alice"}})");
    const Json& desc = sim::Description();
    EXPECT_TRUE(desc["registry"].empty());
    EXPECT_FALSE(desc["console"].contains("sessionId"));
    EXPECT_EQ(desc["ansiCodePage"], 1252);
}

TEST_F(SimMachineTest, HostPathFoldsCaseOfExistingComponentsOnly) {
    MakeFolder(u"C:\\ProgramData\\Norvik");
    const std::filesystem::path c = Root() / "C";
    EXPECT_EQ(sim::HostPath(u"c:\\PROGRAMDATA\\norvik\\NewDir\\File.txt"),
              c / "ProgramData" / "Norvik" / "NewDir" / "File.txt");
    EXPECT_EQ(sim::HostPath(u"/programdata//NORVIK/"), c / "ProgramData" / "Norvik");
    EXPECT_EQ(sim::HostPath(u"\\a\\..\\..\\b\\.\\c"), c / "b" / "c");
    EXPECT_EQ(sim::HostPath(u"relative\\x"), std::filesystem::path());
    EXPECT_EQ(sim::HostPath(u"C:relative"), std::filesystem::path());
    EXPECT_EQ(sim::HostPath(u"\\\\.\\QRXACPI"), std::filesystem::path());
    EXPECT_EQ(sim::HostPath(u"D:\\x"), Root() / "D" / "x");
}

TEST_F(SimMachineTest, LoadStartsLogsAfreshAndKeepsTheDrives) {
    sim::Journal("CopyFileW", {{"from", "a"}, {"result", 1}});
    sim::DebugLog("first\nsecond");
    WriteFile(u"C:\\keep.txt", "x");
    EXPECT_EQ(DebugLines(), (std::vector<std::string>{"first", "second"}));
    ASSERT_EQ(JournalRecords().size(), 1u);
    EXPECT_EQ(JournalRecords()[0].dump(), R"({"call":"CopyFileW","from":"a","result":1})");
    LoadMachine("{}");
    EXPECT_TRUE(JournalRecords().empty());
    EXPECT_TRUE(DebugLines().empty());
    EXPECT_TRUE(FileExists(u"C:\\KEEP.TXT"));
}

TEST_F(SimMachineTest, FaultsMatchOnTheirOwnFieldsOnly) {
    LoadMachine(R"({"faults": [
        {"call": "Get", "namespace": "root\\cimv2", "property": "Product", "result": "0x80041002"},
        {"call": "Get", "instance": 1, "result": -2147217407},
        {"call": "QueryDisplayConfig", "result": 31}]})");
    const Json* byName =
        sim::FindFault("Get", {{"namespace", "ROOT\\CIMV2"}, {"class", "X"}, {"property", "product"}});
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(sim::FaultCode(*byName, 0), 0x80041002u);
    EXPECT_EQ(sim::FindFault("Get", {{"namespace", "ROOT\\WMI"}, {"property", "Product"}}), nullptr);
    // A field that the fault names but the call does not give does not match.
    EXPECT_EQ(sim::FindFault("Get", {{"namespace", "ROOT\\CIMV2"}}), nullptr);
    const Json* byIndex = sim::FindFault("Get", {{"instance", 1}, {"property", "Other"}});
    ASSERT_NE(byIndex, nullptr);
    EXPECT_EQ(sim::FaultCode(*byIndex, 0), 0x80041001u);
    EXPECT_EQ(sim::FindFault("Get", {{"instance", 0}}), nullptr);
    ASSERT_NE(sim::FindFault("QueryDisplayConfig"), nullptr);
    EXPECT_EQ(sim::FaultCode(*sim::FindFault("QueryDisplayConfig"), 0), 31u);
    EXPECT_EQ(sim::FaultCode(Json::object(), 87), 87u);
    EXPECT_EQ(sim::FindFault("ExecQuery"), nullptr);
    // A call site that passes a field its kind does not list is the sim's own fault.
    EXPECT_THROW(sim::FindFault("ConnectServer", {{"class", "X"}}), std::logic_error);
}

TEST_F(SimMachineTest, LoadingAMachineResetsEveryServiceModule) {
    platform::HKEY key = nullptr;
    ASSERT_EQ(platform::RegOpenKeyExW(platform::HKeyLocalMachine(), u"Software", 0, 0, &key), 0);
    WriteFile(u"C:\\a.txt", "x");
    platform::Win32FindDataW data{};
    const platform::Handle search = platform::FindFirstFileW(u"C:\\*", &data);
    ASSERT_NE(search, platform::InvalidHandleValue());
    const platform::HMODULE user32 = platform::LoadLibraryW(u"User32.dll");
    ASSERT_NE(user32, nullptr);
    platform::CoInitializeEx(nullptr, platform::COINIT_MULTITHREADED);
    LoadMachine(R"({"commandLine": "second"})");
    EXPECT_EQ(platform::RegCloseKey(key), static_cast<platform::LONG>(platform::ERROR_INVALID_HANDLE));
    EXPECT_EQ(platform::FindClose(search), platform::kFalse);
    EXPECT_EQ(platform::GetProcAddress(user32, "EnumDisplayDevicesW"), nullptr);
    EXPECT_EQ(platform::GetLastError(), platform::ERROR_INVALID_HANDLE);
    EXPECT_FALSE(sim::ComInitialized());
    EXPECT_EQ(platform::Utf16ToUtf8(platform::GetCommandLineW()), "second");
}

TEST_F(SimMachineTest, LocalMemoryIsReleasedOnce) {
    void* block = sim::LocalAllocate(16);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(sim::LocalRelease(block));
    EXPECT_FALSE(sim::LocalRelease(block));
    EXPECT_FALSE(sim::LocalRelease(nullptr));
}

TEST_F(SimMachineTest, UnusableDescriptionEndsWithStatusTwoAndWritesNothing) {
    const std::filesystem::path root = Root() / "fresh";
    const std::filesystem::path description = Root() / "bad.json";
    std::ofstream(description) << R"({"console": {"sessionID": 1}})";
    setenv("TINTFOLD_ROOT", root.c_str(), 1);
    setenv("TINTFOLD_MACHINE", description.c_str(), 1);
    char program[] = "tintfold";
    char* argv[] = {program, nullptr};
    EXPECT_EXIT(sim::LoadFromEnvironment(1, argv), ::testing::ExitedWithCode(2), "console.sessionID");
    std::ofstream(description) << "{ not json";
    EXPECT_EXIT(sim::LoadFromEnvironment(1, argv), ::testing::ExitedWithCode(2), "not valid JSON");
    // An endless file is read no further than the limit.
    setenv("TINTFOLD_MACHINE", "/dev/zero", 1);
    EXPECT_EXIT(sim::LoadFromEnvironment(1, argv), ::testing::ExitedWithCode(2), "larger than 64 MiB");
    unsetenv("TINTFOLD_ROOT");
    unsetenv("TINTFOLD_MACHINE");
    EXPECT_FALSE(std::filesystem::exists(root));
}

TEST(SimMachineParse, RefusesDeepNestingAndBadUtf8NamingThePlace) {
    const auto refusal = [](const std::string& text) {
        try {
            sim::ParseDescription(text, "m.json");
        } catch (const sim::MachineError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(refusal("{\"program\": \"C:\\\\\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\\\"[{\"}"), "");
    const std::string deep = "{\"wmi\":\n  " + std::string(1000000, '[') + std::string(1000000, ']') + "}";
    EXPECT_EQ(refusal(deep),
              "the machine description m.json nests deeper than 64 levels at line 2, column 66 "
              "(byte 73)");
    // A stray byte, an overlong form, a surrogate, a cut sequence.
    for (const char* bad :
         {"{\"a\": \"\x80\"}", "{\"a\": \"\xC0\xAF\"}", "{\"a\": \"\xED\xA0\x80\"}", "{\"a\": \"\xE2\x82"}) {
        EXPECT_EQ(refusal(bad),
                  "the machine description m.json is not valid UTF-8 at line 1, column 8 (byte 7)")
            << bad;
    }
}

TEST_F(SimMachineTest, EnvironmentRootUsesItsOwnMachineFile) {
    const std::filesystem::path root = Root() / "env-root";
    std::filesystem::create_directories(root);
    std::ofstream(root / "machine.json") << R"({"console": {"user": "bob"}})";
    setenv("TINTFOLD_ROOT", root.c_str(), 1);
    char program[] = "tintfold";
    char arg[] = "--x";
    char* argv[] = {program, arg, nullptr};
    sim::LoadFromEnvironment(2, argv);
    unsetenv("TINTFOLD_ROOT");
    EXPECT_EQ(sim::Root(), root);
    EXPECT_EQ(sim::Description()["console"]["user"], "bob");
    EXPECT_EQ(sim::Arguments(), std::vector<std::string>{"--x"});
    EXPECT_TRUE(std::filesystem::exists(root / "journal.jsonl"));
}

// The names in backquotes of a table cell.
std::vector<std::string> Quoted(std::string_view cell) {
    std::vector<std::string> names;
    for (std::size_t at = cell.find('`'); at != std::string_view::npos; at = cell.find('`', at + 1)) {
        const std::size_t end = cell.find('`', at + 1);
        names.emplace_back(cell.substr(at + 1, end - at - 1));
        at = end;
    }
    return names;
}

// The rows of the table below a heading of the sim's documentation that name calls, each as its cells' text:
// | `Call`, `Call` | `field` (note), `field` | result |
std::vector<std::vector<std::string>> DocumentedRows(const std::string& heading) {
    std::ifstream readme(SIM_README);
    std::string line;
    while (std::getline(readme, line) && line != heading) {
    }
    std::vector<std::vector<std::string>> rows;
    while (std::getline(readme, line) && (line.empty() || line[0] != '#')) {
        if (line.rfind("| `", 0) != 0) {
            continue;
        }
        std::vector<std::string> cells;
        for (std::size_t at = 1, bar = line.find('|', 1); bar != std::string::npos;
             bar = line.find('|', at)) {
            cells.push_back(line.substr(at + 1, bar - at - 1));
            at = bar + 1;
        }
        rows.push_back(cells);
    }
    return rows;
}

// The fault table of the sim's documentation is the one the loader and the call sites use.
TEST(SimFaults, TheDocumentedTableIsTheFaultTable) {
    std::vector<std::string> calls;
    for (const auto& row : DocumentedRows("### Faults")) {
        for (const std::string& call : Quoted(row[0])) {
            calls.push_back(call);
            const sim::FaultKind* kind = sim::FindFaultKind(call);
            ASSERT_NE(kind, nullptr) << call;
            EXPECT_EQ(Quoted(row[1]), std::vector<std::string>(kind->fields.begin(), kind->fields.end()))
                << call;
            const sim::FaultResultKind documented =
                row[2].rfind("HRESULT", 0) == 0 ? sim::FaultResultKind::Hresult
                : row[2].rfind("Win32", 0) == 0 ? sim::FaultResultKind::Win32Error
                                                : sim::FaultResultKind::None;
            EXPECT_EQ(documented, kind->result) << call;
        }
    }
    std::vector<std::string> table;
    for (const sim::FaultKind& kind : sim::FaultKinds()) {
        table.emplace_back(kind.call);
    }
    EXPECT_EQ(calls, table);
}

// The journal's calls as its documentation lists them are those it records, and those an event may follow.
TEST(SimJournal, TheDocumentedCallsAreTheJournalsCalls) {
    std::vector<std::string> calls;
    for (const auto& row : DocumentedRows("### The journal")) {
        const std::vector<std::string> names = Quoted(row[0]);
        calls.insert(calls.end(), names.begin(), names.end());
    }
    EXPECT_EQ(calls, std::vector<std::string>(sim::JournalCalls().begin(), sim::JournalCalls().end()));
}

} // namespace
