#include "discovery/board_product.h"

#include "discovery/wmi_access.h"
#include "platform/text.h"

using namespace platform;

int GetBoardProduct(char16_t* product) {
    WCopy(product, kBoardProductText, u"ERROR");

    WmiConnection wmi;
    if (!ConnectWmi(u"ROOT\\CIMV2", wmi)) {
        return 0;
    }
    Released<EnumWbemClassObject> enumerator;
    if (Failed(ExecWqlQuery(wmi.services, u"SELECT * FROM Win32_BaseBoard", &enumerator.object)) ||
        enumerator.object == nullptr) {
        ReleaseWmi(wmi);
        return 0;
    }
    // Every baseboard is visited; the last readable product name stands. A value that is not a
    // string leaves the output as it was, and a name longer than the buffer is cut.
    ForEachPropertyValue(enumerator.object, u"Product", [product](HRESULT hr, const Variant& value) {
        if (Succeeded(hr) && value.vt == VT_BSTR && value.bstrVal != nullptr) {
            WCopy(product, kBoardProductText, value.bstrVal);
        }
    });
    ReleaseWmi(wmi);

    return WContains(product, u"ERROR") ? 0 : 1;
}
