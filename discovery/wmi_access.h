// The WMI access sequence that the board, chassis and monitor queries share: locator, connection,
// proxy blanket, query and the walk over the objects it returns. Each caller reports failures itself.
#pragma once

#include <functional>

#include "platform/wmi.h"

// An owned BSTR, freed when it goes out of scope. Null when the string could not be allocated.
class OwnedBstr {
  public:
    explicit OwnedBstr(const char16_t* text) : text_(platform::SysAllocString(text)) {}
    ~OwnedBstr() { platform::SysFreeString(text_); }
    OwnedBstr(const OwnedBstr&) = delete;
    OwnedBstr& operator=(const OwnedBstr&) = delete;
    platform::BSTR get() const { return text_; }

  private:
    platform::BSTR text_;
};

// A VARIANT that is cleared when it goes out of scope.
struct ScopedVariant {
    platform::Variant value;
    ScopedVariant() { platform::VariantInit(&value); }
    ~ScopedVariant() { platform::VariantClear(&value); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
};

// Releases a COM object (a WMI object or enumerator) when it goes out of scope.
template <typename T> struct Released {
    T* object;
    explicit Released(T* owned = nullptr) : object(owned) {}
    Released(const Released&) = delete;
    Released& operator=(const Released&) = delete;
    ~Released() {
        if (object != nullptr) {
            object->Release();
        }
    }
};

// The step of the connection sequence that failed.
enum class WmiStep { None, Locator, Connect, ProxyBlanket };

// A connection to one namespace: the locator and the services object.
struct WmiConnection {
    platform::WbemLocator* locator = nullptr;
    platform::WbemServices* services = nullptr;
    // The step that failed and its result; None and S_OK after a successful connection.
    WmiStep failedStep = WmiStep::None;
    platform::HRESULT result = platform::S_OK;
};

// Creates the locator, connects to the namespace and sets the proxy blanket. On failure, what was
// obtained is released again and failedStep/result name the step. Returns true when connected.
bool ConnectWmi(const char16_t* wmiNamespace, WmiConnection& connection);

// Releases the services object, then the locator.
void ReleaseWmi(WmiConnection& connection);

// Runs a WQL query, forward only and returning immediately. E_OUTOFMEMORY when the query text cannot
// be allocated.
platform::HRESULT ExecWqlQuery(platform::WbemServices* services, const char16_t* query,
                               platform::EnumWbemClassObject** enumerator);

// Hands every object of the enumeration to visit, one at a time, and releases it afterwards. The walk
// ends when Next returns no object.
void ForEachWbemObject(platform::EnumWbemClassObject* enumerator,
                       const std::function<void(platform::WbemClassObject&)>& visit);

// Reads one property of every object (flags 0, no type or flavour) and hands the call's result and the
// value to take; the value is cleared afterwards.
void ForEachPropertyValue(platform::EnumWbemClassObject* enumerator, const char16_t* property,
                          const std::function<void(platform::HRESULT, const platform::Variant&)>& take);
