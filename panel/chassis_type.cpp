#include "panel/chassis_type.h"

#include "discovery/wmi_access.h"
#include "platform/debug_output.h"
#include "platform/format.h"
#include "platform/text.h"

using namespace platform;

namespace {

constexpr std::size_t kLineText = 260;

// A failure line with the failing call's HRESULT right after the text, in hexadecimal.
void ReportFailure(const char16_t* text, HRESULT hr) {
    char16_t line[kLineText] = {};
    FormatW(line, kLineText, u"%s%X", text, static_cast<uint32_t>(hr));
    OutputDebugStringW(line);
}

// The first element of a one-dimensional integer array, as a 32-bit signed value. False for an empty
// array, another shape or an element that cannot be read.
bool FirstArrayInteger(const Variant& value, int32_t* first) {
    if ((value.vt & VT_ARRAY) == 0 || value.parray == nullptr || SafeArrayGetDim(value.parray) != 1) {
        return false;
    }
    LONG lower = 0;
    LONG upper = 0;
    if (Failed(SafeArrayGetLBound(value.parray, 1, &lower)) ||
        Failed(SafeArrayGetUBound(value.parray, 1, &upper)) || upper < lower) {
        return false;
    }
    const VARTYPE element = static_cast<VARTYPE>(value.vt & ~VT_ARRAY);
    const UINT size = SafeArrayGetElemsize(value.parray);
    if (element == VT_I4 || element == VT_UI4) {
        int32_t number = 0;
        if (size != sizeof number || Failed(SafeArrayGetElement(value.parray, &lower, &number))) {
            return false;
        }
        *first = number;
        return true;
    }
    if (element == VT_I2 || element == VT_UI2) {
        uint16_t number = 0;
        if (size != sizeof number || Failed(SafeArrayGetElement(value.parray, &lower, &number))) {
            return false;
        }
        *first = element == VT_I2 ? static_cast<int16_t>(number) : number;
        return true;
    }
    return false;
}

} // namespace

int GetChassisType(char16_t* text) {
    const HRESULT security = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                                  RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (Failed(security) && security != RPC_E_TOO_LATE) {
        ReportFailure(u"Failed to initialize security. Error code = 0x", security);
        return 0;
    }

    WmiConnection wmi;
    if (!ConnectWmi(u"ROOT\\CIMV2", wmi)) {
        switch (wmi.failedStep) {
        case WmiStep::Locator:
            OutputDebugStringW(u"Failed to create IwbemLocator object");
            break;
        case WmiStep::Connect:
            ReportFailure(u"Could not connect. Error code = 0x", wmi.result);
            break;
        default:
            ReportFailure(u"Could not set proxy blanket. Error code = 0x", wmi.result);
            break;
        }
        return 0;
    }
    Released<EnumWbemClassObject> enumerator;
    const HRESULT query =
        ExecWqlQuery(wmi.services, u"SELECT * FROM Win32_SystemEnclosure", &enumerator.object);
    if (Failed(query) || enumerator.object == nullptr) {
        ReportFailure(u"Query for system enclosure failed. Error code = 0x",
                      Failed(query) ? query : E_POINTER);
        ReleaseWmi(wmi);
        return 0;
    }
    // The first chassis type of the last enclosure whose ChassisTypes can be read stands; an empty
    // or null value counts as unreadable and leaves the text as it was.
    ForEachPropertyValue(enumerator.object, u"ChassisTypes", [text](HRESULT hr, const Variant& value) {
        char16_t work[kChassisText] = {};
        int32_t first = 0;
        if (hr == S_OK && FirstArrayInteger(value, &first)) {
            FormatW(work, kChassisText, u"%d", first);
            WCopy(text, kChassisText, work);
        }
    });
    ReleaseWmi(wmi);
    return 1;
}
