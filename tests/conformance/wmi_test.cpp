// WMI values: the types the classes the tool reads hand out, and the errors of missing names.
#include <string>

#include "conformance/conformance.h"
#include "discovery/wmi_access.h"
#include "platform/wmi.h"

namespace {

using namespace platform;

class WmiConformance : public conformance::ConformanceTest {
  protected:
    void SetUp() override {
        ConformanceTest::SetUp();
        ASSERT_GE(CoInitializeEx(nullptr, COINIT_MULTITHREADED), 0);
        ASSERT_TRUE(ConnectWmi(u"ROOT\\CIMV2", wmi_));
    }
    void TearDown() override {
        ReleaseWmi(wmi_);
        CoUninitialize();
        ConformanceTest::TearDown();
    }

    // The first instance a query returns.
    WbemClassObject* First(const char16_t* query) {
        Released<EnumWbemClassObject> enumerator;
        EXPECT_EQ(ExecWqlQuery(wmi_.services, query, &enumerator.object), S_OK);
        WbemClassObject* object = nullptr;
        ULONG returned = 0;
        if (enumerator.object != nullptr) {
            enumerator.object->Next(WBEM_INFINITE, 1, &object, &returned);
        }
        EXPECT_EQ(returned, 1u);
        return object;
    }

    WmiConnection wmi_;
};

TEST_F(WmiConformance, PropertiesCarryTheirTypes) {
    const Released<WbemClassObject> board(First(u"SELECT * FROM Win32_BaseBoard"));
    ASSERT_NE(board.object, nullptr);
    ScopedVariant product;
    CIMTYPE type = 0;
    EXPECT_EQ(board.object->Get(u"Product", 0, &product.value, &type, nullptr), S_OK);
    EXPECT_EQ(type, CIM_STRING);
    EXPECT_EQ(product.value.vt, VT_BSTR);
    ScopedVariant missing;
    EXPECT_EQ(board.object->Get(u"NoSuchProperty", 0, &missing.value, nullptr, nullptr), WBEM_E_NOT_FOUND);

    // A uint16 array comes as a one-dimensional array of 4-byte integers from 0.
    const Released<WbemClassObject> enclosure(First(u"SELECT * FROM Win32_SystemEnclosure"));
    ASSERT_NE(enclosure.object, nullptr);
    Variant types;
    VariantInit(&types);
    EXPECT_EQ(enclosure.object->Get(u"ChassisTypes", 0, &types, &type, nullptr), S_OK);
    EXPECT_EQ(type, CIM_UINT16 | CIM_FLAG_ARRAY);
    ASSERT_EQ(types.vt, VT_ARRAY | VT_I4);
    EXPECT_EQ(SafeArrayGetDim(types.parray), 1u);
    EXPECT_EQ(SafeArrayGetElemsize(types.parray), 4u);
    LONG lower = -1;
    LONG upper = -1;
    EXPECT_EQ(SafeArrayGetLBound(types.parray, 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(types.parray, 1, &upper), S_OK);
    EXPECT_EQ(lower, 0);
    int32_t first = 0;
    ASSERT_EQ(SafeArrayGetElement(types.parray, &lower, &first), S_OK);
    // SMBIOS chassis types run from 1 (Other) upwards.
    EXPECT_GE(first, 1);
    LONG past = upper + 1;
    EXPECT_EQ(SafeArrayGetElement(types.parray, &past, &first), DISP_E_BADINDEX);
    EXPECT_EQ(VariantClear(&types), S_OK);
    EXPECT_EQ(types.vt, VT_EMPTY);
}

TEST_F(WmiConformance, MissingNamespacesAndClasses) {
    WmiConnection other;
    EXPECT_FALSE(ConnectWmi(u"ROOT\\NoSuchNamespace", other));
    EXPECT_EQ(other.failedStep, WmiStep::Connect);
    EXPECT_EQ(other.result, WBEM_E_INVALID_NAMESPACE);
    EXPECT_EQ(other.services, nullptr);

    const OwnedBstr name(u"Win32_NoSuchClass");
    WbemClassObject* object = nullptr;
    EXPECT_EQ(wmi_.services->GetObject(name.get(), 0, nullptr, &object, nullptr), WBEM_E_NOT_FOUND);
    EXPECT_EQ(object, nullptr);
}

} // namespace
