// The simulated machine's WMI and device services, where the routines' tests do not reach.
#include "discovery/wmi_access.h"
#include "platform/device_io.h"
#include "platform/files.h"
#include "support/wmi_machine.h"

namespace {

using namespace platform;

class SimWmiTest : public WmiMachineTest {
  protected:
    void TearDown() override {
        if (enumerator_ != nullptr) {
            enumerator_->Release();
        }
        ReleaseWmi(wmi_);
        WmiMachineTest::TearDown();
    }

    WbemServices* Connect(const char16_t* wmiNamespace) {
        EXPECT_TRUE(ConnectWmi(wmiNamespace, wmi_));
        return wmi_.services;
    }

    // The first instance of a class, through a query.
    WbemClassObject* First(const char16_t* query) {
        EXPECT_EQ(ExecWqlQuery(wmi_.services, query, &enumerator_), S_OK);
        WbemClassObject* object = nullptr;
        ULONG returned = 0;
        enumerator_->Next(WBEM_INFINITE, 1, &object, &returned);
        EXPECT_EQ(returned, 1u);
        return object;
    }

    WmiConnection wmi_;
    EnumWbemClassObject* enumerator_ = nullptr;
};

TEST_F(SimWmiTest, ConnectionAndQueryAreJournalled) {
    EXPECT_FALSE(ConnectWmi(u"ROOT\\NOTHERE", wmi_));
    EXPECT_EQ(wmi_.failedStep, WmiStep::Connect);
    EXPECT_EQ(wmi_.result, WBEM_E_INVALID_NAMESPACE);
    Connect(u"root\\cimv2");
    EXPECT_EQ(ExecWqlQuery(wmi_.services, u"SELECT Product FROM Win32_BaseBoard", &enumerator_),
              WBEM_E_INVALID_QUERY);
    EXPECT_EQ(ExecWqlQuery(wmi_.services, u"SELECT * FROM Win32_Nothing", &enumerator_),
              WBEM_E_INVALID_CLASS);
    EXPECT_EQ(ExecWqlQuery(wmi_.services, u"select * from win32_baseboard", &enumerator_), S_OK);
    const auto connects = JournalRecords("ConnectServer");
    ASSERT_EQ(connects.size(), 2u);
    EXPECT_EQ(connects[0]["result"], "0x8004100E");
    EXPECT_EQ(connects[1]["namespace"], "root\\cimv2");
    const auto queries = JournalRecords("ExecQuery");
    ASSERT_EQ(queries.size(), 3u);
    EXPECT_EQ(queries[1]["result"], "0x80041010");
    EXPECT_EQ(queries[2]["query"], "select * from win32_baseboard");
}

TEST_F(SimWmiTest, PropertiesCarryWmisTypes) {
    Load({{"wmi",
           {{"ROOT\\CIMV2",
             {{"Win32_SystemEnclosure", sim::Json::array({{{"ChassisTypes", {13, 3}},
                                                           {"Tag", "Enclosure \"0\""},
                                                           {"Active", false},
                                                           {"Count", 4000000000u},
                                                           {"Product", nullptr}}})}}}}}});
    Connect(u"ROOT\\CIMV2");
    WbemClassObject* enclosure = First(u"SELECT * FROM Win32_SystemEnclosure");
    struct Case {
        const char16_t* name;
        CIMTYPE type;
        VARTYPE vt;
    };
    const Case cases[] = {
        {u"ChassisTypes", CIM_UINT16 | CIM_FLAG_ARRAY, VT_ARRAY | VT_I4},
        {u"Tag", CIM_STRING, VT_BSTR},
        {u"Active", CIM_BOOLEAN, VT_BOOL},
        {u"Count", CIM_UINT32, VT_I4},
        {u"Product", CIM_STRING, VT_NULL},
        {u"__Path", CIM_STRING, VT_BSTR},
    };
    for (const Case& c : cases) {
        Variant value;
        VariantInit(&value);
        CIMTYPE type = 0;
        EXPECT_EQ(enclosure->Get(c.name, 0, &value, &type, nullptr), S_OK);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(value.vt, c.vt);
        if (c.vt == VT_I4) {
            EXPECT_EQ(value.lVal, -294967296);
        }
        if (std::u16string(c.name) == u"__Path") {
            EXPECT_EQ(std::u16string(value.bstrVal),
                      u"\\\\MACHINE\\ROOT\\CIMV2:Win32_SystemEnclosure.Tag=\"Enclosure \\\"0\\\"\"");
        }
        VariantClear(&value);
    }
    Variant value;
    VariantInit(&value);
    EXPECT_EQ(enclosure->Get(u"Missing", 0, &value, nullptr, nullptr), WBEM_E_NOT_FOUND);
    enclosure->Release();
}

TEST_F(SimWmiTest, EdidMethodAnswersBlocksOf128Bytes) {
    const std::string twoBlocks = EdidHex(1, 2, 3, 4) + EdidHex(5, 6, 7, 8);
    Load({{"wmi",
           {{"ROOT\\WMI",
             {{"WmiMonitorDescriptorMethods",
               sim::Json::array({{{"InstanceName", "DISPLAY\\X\\1"}, {"BlockContent", twoBlocks}}})}}}}}});
    WbemServices* services = Connect(u"ROOT\\WMI");
    WbemClassObject* instance = First(u"SELECT * FROM WmiMonitorDescriptorMethods");
    WbemClassObject* descriptorClass = nullptr;
    const OwnedBstr className(u"WmiMonitorDescriptorMethods");
    ASSERT_EQ(services->GetObject(className.get(), 0, nullptr, &descriptorClass, nullptr), S_OK);
    WbemClassObject* signature = nullptr;
    ASSERT_EQ(descriptorClass->GetMethod(u"WmiGetMonitorRawEEdidV1Block", 0, &signature, nullptr), S_OK);
    WbemClassObject* in = nullptr;
    ASSERT_EQ(signature->SpawnInstance(0, &in), S_OK);
    Variant path;
    VariantInit(&path);
    ASSERT_EQ(instance->Get(u"__Path", 0, &path, nullptr, nullptr), S_OK);
    const OwnedBstr method(u"WmiGetMonitorRawEEdidV1Block");

    // BlockId takes any integer variant in the range of a byte, as WMI converts it.
    Variant id;
    VariantInit(&id);
    id.vt = VT_BSTR;
    EXPECT_EQ(in->Put(u"BlockId", 0, &id, 0), WBEM_E_TYPE_MISMATCH);
    id.vt = VT_I4;
    id.lVal = 256;
    EXPECT_EQ(in->Put(u"BlockId", 0, &id, 0), WBEM_E_TYPE_MISMATCH);
    struct Case {
        int32_t block;
        HRESULT result;
        uint8_t byte8;
        uint8_t type;
    };
    for (const Case& c :
         {Case{1, S_OK, 5, 255}, Case{0, S_OK, 1, 1}, Case{2, WBEM_E_INVALID_PARAMETER, 0, 0}}) {
        id.lVal = c.block;
        ASSERT_EQ(in->Put(u"BlockId", 0, &id, 0), S_OK);
        WbemClassObject* out = nullptr;
        ASSERT_EQ(services->ExecMethod(path.bstrVal, method.get(), 0, nullptr, in, &out, nullptr), c.result);
        if (out == nullptr) {
            continue;
        }
        Variant content;
        VariantInit(&content);
        ASSERT_EQ(out->Get(u"BlockContent", 0, &content, nullptr, nullptr), S_OK);
        LONG index = 8;
        uint8_t byte = 0;
        EXPECT_EQ(SafeArrayGetElement(content.parray, &index, &byte), S_OK);
        EXPECT_EQ(byte, c.byte8);
        index = 128;
        EXPECT_EQ(SafeArrayGetElement(content.parray, &index, &byte), DISP_E_BADINDEX);
        Variant type;
        VariantInit(&type);
        ASSERT_EQ(out->Get(u"BlockType", 0, &type, nullptr, nullptr), S_OK);
        EXPECT_EQ(type.vt, VT_UI1);
        EXPECT_EQ(type.bVal, c.type);
        VariantClear(&content);
        out->Release();
    }
    EXPECT_EQ(JournalRecords("ExecMethod").size(), 3u);
    VariantClear(&path);
    in->Release();
    signature->Release();
    descriptorClass->Release();
    instance->Release();
}

TEST_F(SimWmiTest, AcpiDeviceReplyIsCappedAtTheOutputBuffer) {
    EXPECT_EQ(CreateFileW(u"\\\\.\\QRXACPI", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              InvalidHandleValue());
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    Load({{"acpi", {{"present", true}, {"reply", "0102030405"}}}});
    Handle device = CreateFileW(u"\\\\.\\qrxacpi", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(device, InvalidHandleValue());
    uint8_t reply[3] = {};
    DWORD returned = 0;
    uint8_t request[2] = {0xAB, 0xCD};
    EXPECT_TRUE(DeviceIoControl(device, 0x0022240C, request, 2, reply, sizeof reply, &returned, nullptr));
    EXPECT_EQ(returned, 3u);
    EXPECT_EQ(reply[2], 3);
    EXPECT_TRUE(CloseHandle(device));
    EXPECT_FALSE(CloseHandle(device));
    EXPECT_FALSE(DeviceIoControl(device, 0x0022240C, request, 2, reply, sizeof reply, &returned, nullptr));
    const auto io = JournalRecords("DeviceIoControl");
    ASSERT_EQ(io.size(), 2u);
    EXPECT_EQ(io[0]["input"], "ABCD");
    EXPECT_EQ(io[0]["returned"], 3);
    EXPECT_EQ(io[1]["result"], 0);
    EXPECT_EQ(JournalRecords("CloseHandle").size(), 1u);
}

} // namespace
