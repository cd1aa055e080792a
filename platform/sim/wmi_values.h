// The simulated machine's automation values: BSTRs, VARIANTs and safe arrays, and their making from
// the machine description's WMI values. Internal to the sim backend.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/description.h"
#include "platform/sim/machine.h"
#include "platform/wmi.h"

namespace platform {

// A one-dimensional safe array of numbers. Elements are kept as raw little-endian bytes. faultFields are the
// match fields of a SafeArrayGetElement fault for this array (the index is added per call); faultable
// tells whether the machine has such faults at all, so that reads of other machines' arrays skip the search.
struct SafeArray {
    UINT dims = 1;
    UINT elementSize = 1;
    LONG lowerBound = 0;
    std::vector<uint8_t> bytes;
    sim::Json faultFields = sim::Json::object();
    bool faultable = false;

    std::size_t Count() const { return elementSize == 0 ? 0 : bytes.size() / elementSize; }
};

} // namespace platform

namespace sim {

// The CIM type that a class member has on this machine, by member name; 0 when the member is not one
// the machine knows by name (its JSON value then decides).
platform::CIMTYPE KnownCimType(std::string_view member);

// A property value as WMI hands it out: strings VT_BSTR (CIM_STRING), booleans VT_BOOL (CIM_BOOLEAN),
// numbers VT_I4 (CIM_UINT32, or the member's known type; uint8 as VT_UI1), arrays of numbers
// VT_ARRAY|VT_I4, null VT_NULL with the member's CIM type.
// faultFields name the value's origin for element faults. Returns the CIM type, or -1 (and VT_EMPTY)
// for a value of no WMI kind (an object).
platform::CIMTYPE MakeValue(std::string_view member, const Json& value, const Json& faultFields,
                            platform::Variant* out);

// A VT_BSTR value of text.
void MakeString(std::u16string_view text, platform::Variant* out);

// Bytes as an array of element-size units starting at lowerBound, wrapped in a VARIANT
// of VT_ARRAY and the unsigned type of that size.
void MakeByteArray(const std::vector<uint8_t>& bytes, platform::LONG lowerBound, platform::UINT elementSize,
                   const Json& faultFields, platform::Variant* out);

} // namespace sim
