#include "discovery/wmi_access.h"

using namespace platform;

bool ConnectWmi(const char16_t* wmiNamespace, WmiConnection& connection) {
    connection = WmiConnection{};
    HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                  &connection.locator);
    if (Failed(hr) || connection.locator == nullptr) {
        connection.locator = nullptr;
        connection.failedStep = WmiStep::Locator;
        connection.result = Failed(hr) ? hr : E_POINTER;
        return false;
    }
    const OwnedBstr name(wmiNamespace);
    hr = name.get() == nullptr ? E_OUTOFMEMORY
                               : connection.locator->ConnectServer(name.get(), nullptr, nullptr, nullptr, 0,
                                                                   nullptr, nullptr, &connection.services);
    if (Failed(hr) || connection.services == nullptr) {
        connection.services = nullptr;
        connection.failedStep = WmiStep::Connect;
        connection.result = Failed(hr) ? hr : E_POINTER;
        ReleaseWmi(connection);
        return false;
    }
    hr = CoSetProxyBlanket(connection.services, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                           RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (Failed(hr)) {
        connection.failedStep = WmiStep::ProxyBlanket;
        connection.result = hr;
        ReleaseWmi(connection);
        return false;
    }
    return true;
}

void ReleaseWmi(WmiConnection& connection) {
    if (connection.services != nullptr) {
        connection.services->Release();
        connection.services = nullptr;
    }
    if (connection.locator != nullptr) {
        connection.locator->Release();
        connection.locator = nullptr;
    }
}

HRESULT ExecWqlQuery(WbemServices* services, const char16_t* query, EnumWbemClassObject** enumerator) {
    *enumerator = nullptr;
    const OwnedBstr language(u"WQL");
    const OwnedBstr text(query);
    if (language.get() == nullptr || text.get() == nullptr) {
        return E_OUTOFMEMORY;
    }
    return services->ExecQuery(language.get(), text.get(),
                               WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr, enumerator);
}

void ForEachWbemObject(EnumWbemClassObject* enumerator, const std::function<void(WbemClassObject&)>& visit) {
    for (;;) {
        Released<WbemClassObject> object;
        ULONG returned = 0;
        enumerator->Next(WBEM_INFINITE, 1, &object.object, &returned);
        if (returned == 0 || object.object == nullptr) {
            return;
        }
        visit(*object.object);
    }
}

void ForEachPropertyValue(EnumWbemClassObject* enumerator, const char16_t* property,
                          const std::function<void(HRESULT, const Variant&)>& take) {
    ForEachWbemObject(enumerator, [&](WbemClassObject& object) {
        ScopedVariant value;
        const HRESULT hr = object.Get(property, 0, &value.value, nullptr, nullptr);
        take(hr, value.value);
    });
}
