#include "platform/sim/wmi_values.h"

#include <cstring>

#include "platform/sim/description.h"
#include "platform/sim/faults.h"
#include "platform/text.h"

using namespace platform;

namespace platform {

BSTR SysAllocString(const char16_t* text) {
    if (text == nullptr) {
        return nullptr;
    }
    const std::size_t length = WLen(text);
    auto* copy = new char16_t[length + 1];
    std::memcpy(copy, text, (length + 1) * sizeof(char16_t));
    return copy;
}

void SysFreeString(BSTR text) {
    delete[] text;
}

void VariantInit(Variant* value) {
    std::memset(value, 0, sizeof *value);
    value->vt = VT_EMPTY;
}

HRESULT VariantClear(Variant* value) {
    if (value == nullptr) {
        return E_INVALIDARG;
    }
    if ((value->vt & VT_ARRAY) != 0) {
        delete value->parray;
    } else if (value->vt == VT_BSTR) {
        SysFreeString(value->bstrVal);
    }
    VariantInit(value);
    return S_OK;
}

UINT SafeArrayGetDim(SafeArray* array) {
    return array == nullptr ? 0 : array->dims;
}

UINT SafeArrayGetElemsize(SafeArray* array) {
    return array == nullptr ? 0 : array->elementSize;
}

HRESULT SafeArrayGetLBound(SafeArray* array, UINT dimension, LONG* bound) {
    if (array == nullptr || bound == nullptr) {
        return E_INVALIDARG;
    }
    if (dimension < 1 || dimension > array->dims) {
        return DISP_E_BADINDEX;
    }
    *bound = array->lowerBound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SafeArray* array, UINT dimension, LONG* bound) {
    if (array == nullptr || bound == nullptr) {
        return E_INVALIDARG;
    }
    if (dimension < 1 || dimension > array->dims) {
        return DISP_E_BADINDEX;
    }
    *bound =
        static_cast<LONG>(static_cast<int64_t>(array->lowerBound) + static_cast<int64_t>(array->Count()) - 1);
    return S_OK;
}

HRESULT SafeArrayGetElement(SafeArray* array, LONG* indices, void* element) {
    if (array == nullptr || indices == nullptr || element == nullptr) {
        return E_INVALIDARG;
    }
    const int64_t offset = static_cast<int64_t>(*indices) - array->lowerBound;
    if (offset < 0 || offset >= static_cast<int64_t>(array->Count())) {
        return DISP_E_BADINDEX;
    }
    if (array->faultable) {
        sim::Json fields = array->faultFields;
        fields["index"] = *indices;
        if (const sim::Json* fault = sim::FindFault("SafeArrayGetElement", fields)) {
            return MakeHresult(sim::FaultCode(*fault, static_cast<uint32_t>(E_FAIL)));
        }
    }
    const uint8_t* source = array->bytes.data() + static_cast<std::size_t>(offset) * array->elementSize;
    std::memcpy(element, source, array->elementSize);
    return S_OK;
}

} // namespace platform

namespace sim {

namespace {

struct KnownMember {
    std::string_view name;
    CIMTYPE type;
};

constexpr KnownMember kKnownMembers[] = {
    {"Product", CIM_STRING},
    {"Tag", CIM_STRING},
    {"InstanceName", CIM_STRING},
    {"ChassisTypes", CIM_UINT16 | CIM_FLAG_ARRAY},
    {"Active", CIM_BOOLEAN},
    {"VideoOutputTechnology", CIM_UINT32},
    {"BlockId", CIM_UINT8},
    {"BlockType", CIM_UINT8},
    {"BlockContent", CIM_UINT8 | CIM_FLAG_ARRAY},
};

template <typename T> void AppendRaw(std::vector<uint8_t>& bytes, const T& value) {
    uint8_t raw[sizeof value];
    std::memcpy(raw, &value, sizeof value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
}

// An array of numbers, as VT_I4 elements.
void MakeArray(const Json& value, const Json& faultFields, Variant* out) {
    auto* array = new SafeArray;
    array->faultFields = faultFields;
    array->faultable = HasFault("SafeArrayGetElement");
    array->elementSize = sizeof(int32_t);
    for (const Json& element : value) {
        AppendRaw(array->bytes, element.is_number() ? static_cast<int32_t>(element.get<int64_t>()) : 0);
    }
    out->vt = static_cast<VARTYPE>(VT_ARRAY | VT_I4);
    out->parray = array;
}

} // namespace

CIMTYPE KnownCimType(std::string_view member) {
    for (const KnownMember& known : kKnownMembers) {
        if (platform::EqualNoCase(known.name, member)) {
            return known.type;
        }
    }
    return 0;
}

void MakeString(std::u16string_view text, Variant* out) {
    const std::u16string copy(text);
    VariantInit(out);
    out->vt = VT_BSTR;
    out->bstrVal = SysAllocString(copy.c_str());
}

CIMTYPE MakeValue(std::string_view member, const Json& value, const Json& faultFields, Variant* out) {
    VariantInit(out);
    const CIMTYPE known = KnownCimType(member);
    if (value.is_null()) {
        out->vt = VT_NULL;
        return known != 0 ? known : CIM_STRING;
    }
    if (value.is_string()) {
        MakeString(platform::Utf8ToUtf16(value.get<std::string>()), out);
        return CIM_STRING;
    }
    if (value.is_boolean()) {
        out->vt = VT_BOOL;
        out->boolVal = value.get<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
        return CIM_BOOLEAN;
    }
    if (value.is_array()) {
        MakeArray(value, faultFields, out);
        if ((known & CIM_FLAG_ARRAY) != 0) {
            return known;
        }
        return (out->vt & ~VT_ARRAY) == VT_BSTR ? (CIM_STRING | CIM_FLAG_ARRAY)
                                                : (CIM_UINT32 | CIM_FLAG_ARRAY);
    }
    if (value.is_number()) {
        // Validation lets whole numbers only through; an unsigned one above 2^63 wraps, as do all of them
        // to the width handed out.
        const int64_t number = value.get<int64_t>();
        const CIMTYPE type = known != 0 && (known & CIM_FLAG_ARRAY) == 0 ? known : CIM_UINT32;
        if (type == CIM_UINT8) {
            out->vt = VT_UI1;
            out->bVal = static_cast<uint8_t>(number);
        } else {
            // WMI hands out 8-, 16- and 32-bit integers other than uint8 as VT_I4.
            out->vt = VT_I4;
            out->lVal = static_cast<int32_t>(number);
        }
        return type;
    }
    return -1;
}

void MakeByteArray(const std::vector<uint8_t>& bytes, LONG lowerBound, UINT elementSize,
                   const Json& faultFields, Variant* out) {
    VariantInit(out);
    auto* array = new SafeArray;
    array->faultFields = faultFields;
    array->faultable = HasFault("SafeArrayGetElement");
    array->lowerBound = lowerBound;
    array->elementSize = elementSize == 0 ? 1 : elementSize;
    array->bytes.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(
                                                           bytes.size() - bytes.size() % array->elementSize));
    VARTYPE element = VT_UI1;
    if (array->elementSize == 2) {
        element = VT_UI2;
    } else if (array->elementSize == 4) {
        element = VT_UI4;
    }
    out->vt = static_cast<VARTYPE>(VT_ARRAY | element);
    out->parray = array;
}

} // namespace sim
