// The fault table (faults.h) and the matching of a call against the description's faults.
#include "platform/sim/faults.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/text.h"

namespace sim {

namespace {

using enum FaultResultKind;

// The calls in the order the sim's documentation lists them; each with exactly the fields its call site
// passes.
const std::array<FaultKind, 22> kKinds{{
    {"CommandLineToArgvW", {}, None},
    {"CoCreateInstance", {}, Hresult},
    {"CoInitializeSecurity", {}, Hresult},
    {"ConnectServer", {"namespace"}, Hresult},
    {"CoSetProxyBlanket", {"namespace"}, Hresult},
    {"ExecQuery", {"namespace", "class"}, Hresult},
    {"CreateInstanceEnum", {"namespace", "class"}, Hresult},
    {"GetObject", {"namespace", "class"}, Hresult},
    {"Get", {"namespace", "class", "instance", "property"}, Hresult},
    {"GetMethod", {"namespace", "class", "instance"}, Hresult},
    {"Put", {"namespace", "class", "instance"}, Hresult},
    {"ExecMethod", {"namespace", "class", "instance"}, Hresult},
    {"ExecMethod.noOutput", {"namespace", "class", "instance"}, None},
    {"SafeArrayGetElement", {"namespace", "class", "instance", "property", "index"}, Hresult},
    {"GetDisplayConfigBufferSizes", {}, Win32Error},
    {"QueryDisplayConfig", {}, Win32Error},
    {"DisplayConfigGetDeviceInfo", {"path"}, Win32Error},
    {"DeviceIoControl", {}, None},
    {"AssociateColorProfileWithDeviceW", {"occurrence"}, None},
    {"InstallColorProfileW", {}, None},
    {"WcsSetCalibrationManagementState", {}, None},
    {"CopyFileToHandle", {"to"}, Win32Error},
}};

bool Lists(const FaultKind& kind, std::string_view field) {
    return std::find(kind.fields.begin(), kind.fields.end(), field) != kind.fields.end();
}

bool Fits(const Json& fault, const Json& fields) {
    for (const auto& [key, wanted] : fault.items()) {
        if (key == "call" || key == "result") {
            continue;
        }
        const auto given = fields.find(key);
        if (given == fields.end()) {
            return false;
        }
        const bool equal = wanted.is_string() && given->is_string()
                               ? platform::EqualNoCase(wanted.get_ref<const std::string&>(),
                                                       given->get_ref<const std::string&>())
                               : wanted == *given;
        if (!equal) {
            return false;
        }
    }
    return true;
}

} // namespace

std::span<const FaultKind> FaultKinds() {
    return kKinds;
}

const FaultKind* FindFaultKind(std::string_view call) {
    const auto it =
        std::find_if(kKinds.begin(), kKinds.end(), [&](const FaultKind& k) { return k.call == call; });
    return it == kKinds.end() ? nullptr : &*it;
}

const Json* FindFault(std::string_view call, const Json& fields) {
    const FaultKind* kind = FindFaultKind(call);
    if (kind == nullptr) {
        throw std::logic_error("the sim asks for faults of " + std::string(call) +
                               ", which the fault table lacks");
    }
    for (const auto& [key, value] : fields.items()) {
        if (!Lists(*kind, key)) {
            throw std::logic_error("the sim passes " + key + " to faults of " + std::string(call) +
                                   ", which the fault table does not list");
        }
    }
    for (const Json& fault : Description()["faults"]) {
        if (fault.value("call", "") == call && Fits(fault, fields)) {
            return &fault;
        }
    }
    return nullptr;
}

bool HasFault(std::string_view call) {
    const Json& faults = Description()["faults"];
    return std::any_of(faults.begin(), faults.end(),
                       [&](const Json& fault) { return fault.value("call", "") == call; });
}

uint32_t FaultCode(const Json& fault, uint32_t fallback) {
    const auto result = fault.find("result");
    if (result == fault.end()) {
        return fallback;
    }
    if (result->is_number_unsigned()) {
        return static_cast<uint32_t>(result->get<uint64_t>());
    }
    if (result->is_number_integer()) {
        return static_cast<uint32_t>(result->get<int64_t>());
    }
    if (result->is_string()) {
        const std::string& text = result->get_ref<const std::string&>();
        char* end = nullptr;
        const long long value = std::strtoll(text.c_str(), &end, 0);
        if (!text.empty() && end != nullptr && *end == '\0') {
            return static_cast<uint32_t>(value);
        }
    }
    return fallback;
}

} // namespace sim
