// COM and WMI through the backend's wrappers, against Wine's WMI service and its wmic.exe.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/com.h"
#include "platform/wmi.h"

#include "wine_support.h"

#include <windows.h>

#undef GetObject

#include <wbemidl.h>

namespace {

// Owns a BSTR made by the backend.
class Text {
  public:
    explicit Text(const char16_t* text) : text_(platform::SysAllocString(text)) {}
    ~Text() { platform::SysFreeString(text_); }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    platform::BSTR get() const { return text_; }

  private:
    platform::BSTR text_;
};

class WmiTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_GE(platform::CoInitializeEx(nullptr, COINIT_MULTITHREADED), 0); }
    static void TearDownTestSuite() { platform::CoUninitialize(); }

    void TearDown() override {
        if (services_ != nullptr) {
            services_->Release();
        }
        if (locator_ != nullptr) {
            locator_->Release();
        }
    }

    // The common connection sequence: locator, namespace, proxy blanket.
    void Connect(const char16_t* name) {
        ASSERT_EQ(platform::CoCreateInstance(platform::CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                             platform::IID_IWbemLocator, &locator_),
                  S_OK);
        const Text resource(name);
        ASSERT_EQ(locator_->ConnectServer(resource.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                          &services_),
                  S_OK);
        ASSERT_EQ(platform::CoSetProxyBlanket(services_, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                              RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                              EOAC_NONE),
                  S_OK);
    }

    // Every instance's property, as the query returns them.
    std::vector<platform::Variant> Query(const char16_t* query, const char16_t* property) {
        const Text language(u"WQL");
        const Text text(query);
        platform::EnumWbemClassObject* enumerator = nullptr;
        EXPECT_EQ(services_->ExecQuery(language.get(), text.get(),
                                       WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                       &enumerator),
                  S_OK);
        std::vector<platform::Variant> values;
        if (enumerator == nullptr) {
            return values;
        }
        for (;;) {
            platform::WbemClassObject* object = nullptr;
            platform::ULONG returned = 0;
            enumerator->Next(platform::WBEM_INFINITE, 1, &object, &returned);
            if (returned == 0) {
                break;
            }
            platform::Variant value;
            platform::VariantInit(&value);
            EXPECT_EQ(object->Get(property, 0, &value, nullptr, nullptr), S_OK);
            values.push_back(value);
            object->Release();
        }
        enumerator->Release();
        return values;
    }

    platform::WbemLocator* locator_ = nullptr;
    platform::WbemServices* services_ = nullptr;
};

TEST_F(WmiTest, IdentifiersAreTheSystemOnes) {
    EXPECT_EQ(std::memcmp(&platform::CLSID_WbemLocator, &CLSID_WbemLocator, sizeof(GUID)), 0);
    EXPECT_EQ(std::memcmp(&platform::IID_IWbemLocator, &IID_IWbemLocator, sizeof(GUID)), 0);
    // The locator wrapper hands out nothing but the locator interface.
    EXPECT_EQ(platform::CoCreateInstance(platform::CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                         platform::CLSID_WbemLocator, &locator_),
              E_NOINTERFACE);
    EXPECT_EQ(locator_, nullptr);
}

TEST_F(WmiTest, ApartmentAndSecurity) {
    EXPECT_EQ(platform::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr),
              S_OK);
    // Windows refuses a second set-up with RPC_E_TOO_LATE; Wine accepts it.
    const platform::HRESULT again =
        platform::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                       RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    EXPECT_TRUE(again == S_OK || again == RPC_E_TOO_LATE) << std::hex << again;

    // The thread's apartment is already multithreaded, and stays so.
    EXPECT_EQ(platform::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    platform::CoUninitialize();
    EXPECT_EQ(platform::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), RPC_E_CHANGED_MODE);
}

TEST_F(WmiTest, BoardProductIsWhatWmicReports) {
    Connect(u"ROOT\\CIMV2");
    std::vector<platform::Variant> products = Query(u"SELECT * FROM Win32_BaseBoard", u"Product");
    ASSERT_EQ(products.size(), 1u);
    ASSERT_EQ(products[0].vt, VT_BSTR);
    const std::u16string product = products[0].bstrVal;
    EXPECT_EQ(platform::VariantClear(&products[0]), S_OK);
    EXPECT_EQ(products[0].vt, VT_EMPTY);

    // wmic prints a heading line, then one line per instance, padded with blanks.
    const std::wstring listing =
        wine_test::DecodeOutput(wine_test::Run(L"wmic.exe path Win32_BaseBoard get Product").output);
    const std::size_t start = listing.find(L'\n') + 1;
    std::wstring reported = listing.substr(start, listing.find_first_of(L"\r\n", start) - start);
    reported.erase(reported.find_last_not_of(L' ') + 1);
    EXPECT_EQ(product, std::u16string(reported.begin(), reported.end()));
}

TEST_F(WmiTest, MonitorNamespaceConnectsWithoutMonitorClasses) {
    Connect(u"ROOT\\WMI");
    const Text name(u"WmiMonitorConnectionParams");
    platform::WbemClassObject* object = nullptr;
    void* callResult = &object;
    const platform::HRESULT hr = services_->GetObject(name.get(), 0, nullptr, &object, &callResult);
    EXPECT_EQ(callResult, nullptr);
    // Wine has no monitor provider: it answers WBEM_E_NOT_FOUND, and no object comes back.
    EXPECT_EQ(hr, WBEM_E_NOT_FOUND) << std::hex << hr;
    EXPECT_EQ(object, nullptr);

    platform::EnumWbemClassObject* enumerator = nullptr;
    const platform::HRESULT listed = services_->CreateInstanceEnum(name.get(), 0, nullptr, &enumerator);
    if (enumerator != nullptr) {
        platform::WbemClassObject* instance = nullptr;
        platform::ULONG returned = 0;
        enumerator->Next(platform::WBEM_INFINITE, 1, &instance, &returned);
        EXPECT_EQ(returned, 0u);
        enumerator->Release();
    } else {
        EXPECT_LT(listed, 0);
    }
}

} // namespace
