// COM automation values and the WMI client, over the real oleaut32 and WMI objects.
//
// The platform's abstract WMI classes are implemented by thin wrappers, each holding one reference to
// the real interface pointer; Release() drops that reference and deletes the wrapper. Every object
// that the platform hands out is one of these wrappers, so an object passed back in (the input
// parameters of ExecMethod, the proxy of CoSetProxyBlanket) is unwrapped to its real pointer.
#include "platform/wmi.h"

#include <cstddef>
#include <new>
#include <vector>

#include "platform/win32/win32.h"

// windows.h maps GetObject to GetObjectW; here it is the WMI method's own name, also in wbemidl.h.
#undef GetObject

#include <oleauto.h>
#include <wbemidl.h>

static_assert(sizeof(platform::Variant) == sizeof(VARIANT));
static_assert(offsetof(platform::Variant, vt) == offsetof(VARIANT, vt));
static_assert(offsetof(platform::Variant, llVal) == offsetof(VARIANT, llVal));
static_assert(offsetof(platform::Variant, bstrVal) == offsetof(VARIANT, bstrVal));
static_assert(offsetof(platform::Variant, parray) == offsetof(VARIANT, parray));
static_assert(sizeof(platform::VARTYPE) == sizeof(VARTYPE));
static_assert(sizeof(platform::CIMTYPE) == sizeof(CIMTYPE));
static_assert(sizeof(platform::Guid) == sizeof(GUID));
static_assert(offsetof(platform::Guid, data4) == offsetof(GUID, Data4));

namespace {

using platform::HRESULT;

VARIANT* Real(platform::Variant* value) {
    return reinterpret_cast<VARIANT*>(value);
}
SAFEARRAY* Real(platform::SafeArray* array) {
    return reinterpret_cast<SAFEARRAY*>(array);
}
BSTR Real(const platform::BSTR text) {
    return reinterpret_cast<BSTR>(text);
}
const GUID& Real(const platform::Guid& guid) {
    return reinterpret_cast<const GUID&>(guid);
}

// Wraps a real object that the caller receives; on failure to allocate the wrapper the real object is
// released and the caller receives null.
template <typename Wrapped, typename Interface> HRESULT Hand(Interface* real, auto** out) {
    *out = nullptr;
    if (real == nullptr) {
        return S_OK;
    }
    Wrapped* wrapper = new (std::nothrow) Wrapped(real);
    if (wrapper == nullptr) {
        real->Release();
        return E_OUTOFMEMORY;
    }
    *out = wrapper;
    return S_OK;
}

// The result of a call that delivers an object: the call's own result, unless wrapping failed.
template <typename Wrapped, typename Interface> HRESULT Deliver(HRESULT hr, Interface* real, auto** out) {
    if (out == nullptr) {
        if (real != nullptr) {
            real->Release();
        }
        return hr;
    }
    const HRESULT wrapped = Hand<Wrapped>(real, out);
    return platform::Failed(wrapped) ? wrapped : hr;
}

// Holds one reference to a real interface pointer; Release() drops it and deletes the wrapper.
template <typename Derived, typename Base, typename Interface> class Wrapper : public Base {
  public:
    explicit Wrapper(Interface* real) : real_(real) {}
    Wrapper(const Wrapper&) = delete;
    Wrapper& operator=(const Wrapper&) = delete;
    Interface* real() const { return real_; }

    platform::ULONG Release() override {
        const ULONG remaining = real_->Release();
        delete static_cast<Derived*>(this);
        return remaining;
    }

  protected:
    ~Wrapper() = default;

  private:
    Interface* real_;
};

class ClassObject final : public Wrapper<ClassObject, platform::WbemClassObject, IWbemClassObject> {
  public:
    using Wrapper::Wrapper;

    HRESULT Get(const char16_t* name, platform::LONG flags, platform::Variant* value, platform::CIMTYPE* type,
                platform::LONG* flavor) override {
        CIMTYPE realType = 0;
        LONG realFlavor = 0;
        const HRESULT hr =
            real()->Get(win32::W(name), flags, Real(value), type != nullptr ? &realType : nullptr,
                        flavor != nullptr ? &realFlavor : nullptr);
        win32::CopyOut(type, realType);
        win32::CopyOut(flavor, realFlavor);
        return hr;
    }

    HRESULT Put(const char16_t* name, platform::LONG flags, platform::Variant* value,
                platform::CIMTYPE type) override {
        return real()->Put(win32::W(name), flags, Real(value), type);
    }

    HRESULT GetMethod(const char16_t* name, platform::LONG flags, platform::WbemClassObject** inSignature,
                      platform::WbemClassObject** outSignature) override {
        IWbemClassObject* in = nullptr;
        IWbemClassObject* out = nullptr;
        HRESULT hr = real()->GetMethod(win32::W(name), flags, inSignature != nullptr ? &in : nullptr,
                                       outSignature != nullptr ? &out : nullptr);
        hr = Deliver<ClassObject>(hr, in, inSignature);
        if (platform::Failed(hr) && out != nullptr) {
            // A call reported as failed hands out nothing.
            out->Release();
            out = nullptr;
        }
        return Deliver<ClassObject>(hr, out, outSignature);
    }

    HRESULT SpawnInstance(platform::LONG flags, platform::WbemClassObject** instance) override {
        IWbemClassObject* spawned = nullptr;
        const HRESULT hr = real()->SpawnInstance(flags, instance != nullptr ? &spawned : nullptr);
        return Deliver<ClassObject>(hr, spawned, instance);
    }
};

IWbemClassObject* Unwrap(platform::WbemClassObject* object) {
    return object != nullptr ? static_cast<ClassObject*>(object)->real() : nullptr;
}

class Enumerator final : public Wrapper<Enumerator, platform::EnumWbemClassObject, IEnumWbemClassObject> {
  public:
    using Wrapper::Wrapper;

    HRESULT Next(platform::LONG timeout, platform::ULONG count, platform::WbemClassObject** objects,
                 platform::ULONG* returned) override {
        if (objects == nullptr || returned == nullptr) {
            return E_INVALIDARG;
        }
        *returned = 0;
        std::vector<IWbemClassObject*> realObjects;
        try {
            realObjects.assign(count, nullptr);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        ULONG got = 0;
        HRESULT hr = real()->Next(timeout, count, realObjects.data(), &got);
        platform::ULONG handed = 0;
        for (ULONG i = 0; i < got && i < count; ++i) {
            const HRESULT wrapped = Hand<ClassObject>(realObjects[i], &objects[handed]);
            if (platform::Failed(wrapped)) {
                hr = wrapped;
            } else if (objects[handed] != nullptr) {
                ++handed;
            }
        }
        *returned = handed;
        return hr;
    }
};

class Services final : public Wrapper<Services, platform::WbemServices, IWbemServices> {
  public:
    using Wrapper::Wrapper;

    HRESULT ExecQuery(const platform::BSTR language, const platform::BSTR query, platform::LONG flags,
                      void* context, platform::EnumWbemClassObject** enumerator) override {
        IEnumWbemClassObject* found = nullptr;
        const HRESULT hr =
            real()->ExecQuery(Real(language), Real(query), flags, static_cast<IWbemContext*>(context),
                              enumerator != nullptr ? &found : nullptr);
        return Deliver<Enumerator>(hr, found, enumerator);
    }

    // Call-result objects are not offered by the platform layer: the call is always made synchronously
    // and *callResult, when given, receives null.
    HRESULT GetObject(const platform::BSTR path, platform::LONG flags, void* context,
                      platform::WbemClassObject** object, void** callResult) override {
        if (callResult != nullptr) {
            *callResult = nullptr;
        }
        IWbemClassObject* found = nullptr;
        const HRESULT hr = real()->GetObject(Real(path), flags, static_cast<IWbemContext*>(context),
                                             object != nullptr ? &found : nullptr, nullptr);
        return Deliver<ClassObject>(hr, found, object);
    }

    HRESULT CreateInstanceEnum(const platform::BSTR className, platform::LONG flags, void* context,
                               platform::EnumWbemClassObject** enumerator) override {
        IEnumWbemClassObject* found = nullptr;
        const HRESULT hr =
            real()->CreateInstanceEnum(Real(className), flags, static_cast<IWbemContext*>(context),
                                       enumerator != nullptr ? &found : nullptr);
        return Deliver<Enumerator>(hr, found, enumerator);
    }

    HRESULT ExecMethod(const platform::BSTR objectPath, const platform::BSTR methodName, platform::LONG flags,
                       void* context, platform::WbemClassObject* inParams,
                       platform::WbemClassObject** outParams, void** callResult) override {
        if (callResult != nullptr) {
            *callResult = nullptr;
        }
        IWbemClassObject* out = nullptr;
        const HRESULT hr =
            real()->ExecMethod(Real(objectPath), Real(methodName), flags, static_cast<IWbemContext*>(context),
                               Unwrap(inParams), outParams != nullptr ? &out : nullptr, nullptr);
        return Deliver<ClassObject>(hr, out, outParams);
    }
};

class Locator final : public Wrapper<Locator, platform::WbemLocator, IWbemLocator> {
  public:
    using Wrapper::Wrapper;

    HRESULT ConnectServer(const platform::BSTR networkResource, const platform::BSTR user,
                          const platform::BSTR password, const platform::BSTR locale,
                          platform::LONG securityFlags, const platform::BSTR authority, void* context,
                          platform::WbemServices** services) override {
        IWbemServices* connected = nullptr;
        const HRESULT hr = real()->ConnectServer(
            Real(networkResource), Real(user), Real(password), Real(locale), securityFlags, Real(authority),
            static_cast<IWbemContext*>(context), services != nullptr ? &connected : nullptr);
        return Deliver<Services>(hr, connected, services);
    }
};

} // namespace

namespace platform {

BSTR SysAllocString(const char16_t* text) {
    return win32::U(::SysAllocString(win32::W(text)));
}

void SysFreeString(BSTR text) {
    ::SysFreeString(Real(text));
}

void VariantInit(Variant* value) {
    ::VariantInit(Real(value));
}

HRESULT VariantClear(Variant* value) {
    return ::VariantClear(Real(value));
}

UINT SafeArrayGetDim(SafeArray* array) {
    return ::SafeArrayGetDim(Real(array));
}

UINT SafeArrayGetElemsize(SafeArray* array) {
    return ::SafeArrayGetElemsize(Real(array));
}

HRESULT SafeArrayGetLBound(SafeArray* array, UINT dimension, LONG* bound) {
    ::LONG real = 0;
    const HRESULT hr = ::SafeArrayGetLBound(Real(array), dimension, &real);
    win32::CopyOut(bound, real);
    return hr;
}

HRESULT SafeArrayGetUBound(SafeArray* array, UINT dimension, LONG* bound) {
    ::LONG real = 0;
    const HRESULT hr = ::SafeArrayGetUBound(Real(array), dimension, &real);
    win32::CopyOut(bound, real);
    return hr;
}

HRESULT SafeArrayGetElement(SafeArray* array, LONG* indices, void* element) {
    if (array == nullptr || indices == nullptr) {
        return E_INVALIDARG;
    }
    // One index per dimension, as Windows' LONG.
    std::vector<::LONG> realIndices;
    try {
        realIndices.assign(indices, indices + ::SafeArrayGetDim(Real(array)));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return ::SafeArrayGetElement(Real(array), realIndices.data(), element);
}

HRESULT CoCreateInstance(const Guid& clsid, void* outer, DWORD clsContext, const Guid& iid,
                         WbemLocator** locator) {
    if (locator == nullptr) {
        return E_POINTER;
    }
    *locator = nullptr;
    // The wrapper speaks IWbemLocator; no other interface can be handed out through it.
    if (!(iid == IID_IWbemLocator)) {
        return E_NOINTERFACE;
    }
    IWbemLocator* created = nullptr;
    const HRESULT hr = ::CoCreateInstance(Real(clsid), static_cast<IUnknown*>(outer), clsContext, Real(iid),
                                          reinterpret_cast<void**>(&created));
    return Deliver<Locator>(hr, created, locator);
}

HRESULT CoSetProxyBlanket(WbemServices* proxy, DWORD authnService, DWORD authzService,
                          const char16_t* serverPrincipalName, DWORD authnLevel, DWORD impLevel,
                          void* authInfo, DWORD capabilities) {
    if (proxy == nullptr) {
        return E_INVALIDARG;
    }
    // Windows takes the principal name as non-const but only reads it.
    return ::CoSetProxyBlanket(static_cast<Services*>(proxy)->real(), authnService, authzService,
                               const_cast<OLECHAR*>(win32::W(serverPrincipalName)), authnLevel, impLevel,
                               static_cast<RPC_AUTH_IDENTITY_HANDLE>(authInfo), capabilities);
}

} // namespace platform
