// Machine descriptions that several scenario tests build on.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace scenario {

// Adds a second monitor to a description's WMI namespaces, enumerated first, whose EDID names panel
// AE0D2211; it is a copy of the first monitor with its own instance name and product code.
inline void AddSecondMonitorFirst(nlohmann::json& wmi) {
    nlohmann::json& monitors = wmi["ROOT\\WMI"];
    nlohmann::json params = monitors["WmiMonitorConnectionParams"][0];
    nlohmann::json descriptor = monitors["WmiMonitorDescriptorMethods"][0];
    params["InstanceName"] = descriptor["InstanceName"] = "DISPLAY\\EXT2211\\5&1&0&UID1_0";
    std::string edid = descriptor["BlockContent"];
    edid.replace(16, 8, "0DAE1122");
    descriptor["BlockContent"] = edid;
    monitors["WmiMonitorConnectionParams"].insert(monitors["WmiMonitorConnectionParams"].begin(), params);
    monitors["WmiMonitorDescriptorMethods"].insert(monitors["WmiMonitorDescriptorMethods"].begin(),
                                                   descriptor);
}

} // namespace scenario
