// Failures that a machine description produces on purpose: the one table of the calls that can be made to
// fail, the fields each call matches a fault by, and the kind of result it takes. The loader checks faults
// against it and every call site asks it, so that no fault is accepted that could never fire.
// Internal to the sim backend.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "platform/sim/description.h"

namespace sim {

// What a fault's "result" is: the call's own kind of code, or nothing (the call just fails).
enum class FaultResultKind { Hresult, Win32Error, None };

struct FaultKind {
    std::string_view call;
    // The fields the call site passes: a fault may name any of them, and no other.
    std::initializer_list<std::string_view> fields;
    FaultResultKind result;
};

// Every call that can be made to fail, in the order the sim's documentation lists them.
std::span<const FaultKind> FaultKinds();

// The kind of call, or null for a call that cannot be made to fail.
const FaultKind* FindFaultKind(std::string_view call);

// The first fault of the description for call whose match fields all equal those given (strings compare
// ignoring ASCII case; a field the fault does not name matches anything; a field the fault names that this
// call did not give does not match). Null when none fits. A call site that passes a field its kind does not
// list is a fault of the sim itself (std::logic_error).
const Json* FindFault(std::string_view call, const Json& fields = Json::object());

// Whether the description has a fault for call at all: a cheap test before match fields are built.
bool HasFault(std::string_view call);

// A fault's "result" as an HRESULT or a Win32 error code: a number, or a string "0x..." or decimal.
uint32_t FaultCode(const Json& fault, uint32_t fallback);

} // namespace sim
