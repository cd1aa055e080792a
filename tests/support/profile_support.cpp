#include "tests/support/profile_support.h"

#include "app/run_context.h"
#include "platform/com.h"

namespace test {

sim::Json WmiWithPanels(const std::vector<std::string>& panels) {
    sim::Json wmi = sim::DefaultMachine()["wmi"];
    sim::Json& root = wmi["ROOT\\WMI"];
    const sim::Json params = root["WmiMonitorConnectionParams"][0];
    const sim::Json descriptor = root["WmiMonitorDescriptorMethods"][0];
    root["WmiMonitorConnectionParams"] = sim::Json::array();
    root["WmiMonitorDescriptorMethods"] = sim::Json::array();
    for (std::size_t i = 0; i < panels.size(); ++i) {
        const std::string& panel = panels[i];
        const std::string instance = "DISPLAY\\P" + panel + "\\" + std::to_string(i) + "_0";
        sim::Json monitor = params;
        monitor["InstanceName"] = instance;
        root["WmiMonitorConnectionParams"].push_back(monitor);
        sim::Json block = descriptor;
        block["InstanceName"] = instance;
        // EDID bytes 8 to 11: manufacturer and product code, each least significant byte first.
        std::string edid = block["BlockContent"];
        edid.replace(16, 8,
                     panel.substr(2, 2) + panel.substr(0, 2) + panel.substr(6, 2) + panel.substr(4, 2));
        block["BlockContent"] = edid;
        root["WmiMonitorDescriptorMethods"].push_back(block);
    }
    return wmi;
}

std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, std::string_view prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.starts_with(prefix)) {
            found.push_back(line);
        }
    }
    return found;
}

void PrepareForTagExport() {
    platform::CoInitializeEx(nullptr, platform::COINIT_MULTITHREADED);
    WTSQuerySessionInformationFunc = &platform::WTSQuerySessionInformationW;
    EnumDisplayDevicesFunc = &platform::EnumDisplayDevicesW;
}

} // namespace test
