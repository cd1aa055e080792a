// COM automation values and the WMI client interfaces, with the calls and constants the tool uses.
#pragma once

#include "platform/com.h"
#include "platform/types.h"

namespace platform {

using BSTR = char16_t*;
BSTR SysAllocString(const char16_t* text);
void SysFreeString(BSTR text);

using VARTYPE = uint16_t;
constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_NULL = 1;
constexpr VARTYPE VT_I2 = 2;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_BOOL = 11;
constexpr VARTYPE VT_UI1 = 17;
constexpr VARTYPE VT_UI2 = 18;
constexpr VARTYPE VT_UI4 = 19;
constexpr VARTYPE VT_ARRAY = 0x2000;

constexpr int16_t VARIANT_TRUE = -1;
constexpr int16_t VARIANT_FALSE = 0;

// A safe array. Opaque: only the SafeArray functions below look inside.
struct SafeArray;

// Same layout as VARIANT.
struct Variant {
    VARTYPE vt;
    WORD reserved1;
    WORD reserved2;
    WORD reserved3;
    union {
        int64_t llVal;
        int32_t lVal;
        uint32_t ulVal;
        int16_t iVal;
        uint16_t uiVal;
        uint8_t bVal;
        int16_t boolVal;
        double dblVal;
        BSTR bstrVal;
        SafeArray* parray;
        void* record[2];
    };
};

void VariantInit(Variant* value);
HRESULT VariantClear(Variant* value);

UINT SafeArrayGetDim(SafeArray* array);
UINT SafeArrayGetElemsize(SafeArray* array);
HRESULT SafeArrayGetLBound(SafeArray* array, UINT dimension, LONG* bound);
HRESULT SafeArrayGetUBound(SafeArray* array, UINT dimension, LONG* bound);
HRESULT SafeArrayGetElement(SafeArray* array, LONG* indices, void* element);

using CIMTYPE = LONG;
constexpr CIMTYPE CIM_SINT32 = 3;
constexpr CIMTYPE CIM_STRING = 8;
constexpr CIMTYPE CIM_BOOLEAN = 11;
constexpr CIMTYPE CIM_UINT8 = 17;
constexpr CIMTYPE CIM_UINT16 = 18;
constexpr CIMTYPE CIM_UINT32 = 19;
constexpr CIMTYPE CIM_UINT64 = 21;
constexpr CIMTYPE CIM_FLAG_ARRAY = 0x2000;

constexpr LONG WBEM_FLAG_RETURN_IMMEDIATELY = 0x10;
constexpr LONG WBEM_FLAG_FORWARD_ONLY = 0x20;
constexpr LONG WBEM_INFINITE = -1; // 0xFFFFFFFF

// The client side of WMI. Each object is released with Release(); an object handed out through an
// out-parameter belongs to the caller.
class WbemClassObject {
  public:
    virtual HRESULT Get(const char16_t* name, LONG flags, Variant* value, CIMTYPE* type, LONG* flavor) = 0;
    virtual HRESULT Put(const char16_t* name, LONG flags, Variant* value, CIMTYPE type) = 0;
    virtual HRESULT GetMethod(const char16_t* name, LONG flags, WbemClassObject** inSignature,
                              WbemClassObject** outSignature) = 0;
    virtual HRESULT SpawnInstance(LONG flags, WbemClassObject** instance) = 0;
    virtual ULONG Release() = 0;

  protected:
    ~WbemClassObject() = default;
};

class EnumWbemClassObject {
  public:
    virtual HRESULT Next(LONG timeout, ULONG count, WbemClassObject** objects, ULONG* returned) = 0;
    virtual ULONG Release() = 0;

  protected:
    ~EnumWbemClassObject() = default;
};

class WbemServices {
  public:
    virtual HRESULT ExecQuery(const BSTR language, const BSTR query, LONG flags, void* context,
                              EnumWbemClassObject** enumerator) = 0;
    virtual HRESULT GetObject(const BSTR path, LONG flags, void* context, WbemClassObject** object,
                              void** callResult) = 0;
    virtual HRESULT CreateInstanceEnum(const BSTR className, LONG flags, void* context,
                                       EnumWbemClassObject** enumerator) = 0;
    virtual HRESULT ExecMethod(const BSTR objectPath, const BSTR methodName, LONG flags, void* context,
                               WbemClassObject* inParams, WbemClassObject** outParams, void** callResult) = 0;
    virtual ULONG Release() = 0;

  protected:
    ~WbemServices() = default;
};

class WbemLocator {
  public:
    virtual HRESULT ConnectServer(const BSTR networkResource, const BSTR user, const BSTR password,
                                  const BSTR locale, LONG securityFlags, const BSTR authority, void* context,
                                  WbemServices** services) = 0;
    virtual ULONG Release() = 0;

  protected:
    ~WbemLocator() = default;
};

// {4590F811-1D3A-11D0-891F-00AA004B2E24}
constexpr Guid CLSID_WbemLocator{
    0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};
// {DC12A687-737F-11CF-884D-00AA004B2E24}
constexpr Guid IID_IWbemLocator{0xDC12A687, 0x737F, 0x11CF, {0x88, 0x4D, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

// CoCreateInstance for the WMI locator, the only class the tool creates.
HRESULT CoCreateInstance(const Guid& clsid, void* outer, DWORD clsContext, const Guid& iid,
                         WbemLocator** locator);
HRESULT CoSetProxyBlanket(WbemServices* proxy, DWORD authnService, DWORD authzService,
                          const char16_t* serverPrincipalName, DWORD authnLevel, DWORD impLevel,
                          void* authInfo, DWORD capabilities);

} // namespace platform
