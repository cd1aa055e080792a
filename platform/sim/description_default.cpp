// The embedded default machine: a notebook on which the tool runs its whole job.
#include <cstdint>
#include <string>

#include "platform/sim/description.h"
#include "platform/text.h"

namespace sim {

namespace {

// The built-in panel's EDID without its checksum byte: manufacturer "AUO" (06 AF), product code
// 0x10EC, version 1.4, a digital 14" panel with a 1920x1080 preferred timing and two text descriptors.
constexpr char kEdidBody[] = "00FFFFFFFFFFFF0006AFEC10000000000A1E0104A5221378"
                             "02EE95A3544C99260F505400000001010101010101010101"
                             "010101010101143780B87038244010103E0058C210000018"
                             "000000FE0041554F0A202020202020202020000000FE0042"
                             "31343048414E30362E380A20000000100000000000000000"
                             "00000000000000";

std::string EdidHex() {
    unsigned sum = 0;
    for (const uint8_t byte : platform::FromHex(kEdidBody)) {
        sum += byte;
    }
    const auto checksum = static_cast<uint8_t>((256u - sum % 256u) % 256u);
    return kEdidBody + platform::ToHex(&checksum, 1);
}

} // namespace

const Json& DefaultMachine() {
    static const Json machine = [] {
        Json m = Json::parse(R"json({
  "program": "C:\\Program Files\\NORVIK\\Tintfold\\tintfold.exe",
  "commandLine": null,
  "systemDirectory": "C:\\Windows\\System32",
  "ansiCodePage": 1252,
  "missingLibraries": [],
  "missingFunctions": [],
  "console": { "sessionId": 1, "user": "user" },
  "registry": {
    "HKLM\\Software\\NORVIK\\Quillory\\NorvikOptimization": {
      "LumisseDebug": { "type": "REG_DWORD", "data": 1 }
    }
  },
  "wmi": {
    "ROOT\\CIMV2": {
      "Win32_BaseBoard": [ { "Product": "NX514" } ],
      "Win32_SystemEnclosure": [ { "ChassisTypes": [10] } ]
    },
    "ROOT\\WMI": {
      "WmiMonitorConnectionParams": [
        { "InstanceName": "DISPLAY\\AUO10EC\\4&2f7b1c3&0&UID8388688_0", "Active": true,
          "VideoOutputTechnology": 2147483648 }
      ],
      "WmiMonitorDescriptorMethods": [
        { "InstanceName": "DISPLAY\\AUO10EC\\4&2f7b1c3&0&UID8388688_0", "BlockType": 1, "BlockContent": "" }
      ]
    }
  },
  "display": {
    "adapters": [
      { "DeviceName": "\\\\.\\DISPLAY1", "DeviceString": "Intel(R) Iris(R) Xe Graphics", "StateFlags": 5,
        "DeviceID": "PCI\\VEN_8086&DEV_9A49&SUBSYS_12A21043&REV_01",
        "DeviceKey": "\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Video\\{3B7C8E2A-5D41-4F6B-9C0E-7A2D1B6F4E83}\\0000",
        "monitors": [
          { "DeviceName": "\\\\.\\DISPLAY1\\Monitor0", "DeviceString": "Generic PnP Monitor", "StateFlags": 3,
            "DeviceID": "MONITOR\\AUO10EC\\{4d36e96e-e325-11ce-bfc1-08002be10318}\\0001",
            "DeviceKey": "\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Class\\{4d36e96e-e325-11ce-bfc1-08002be10318}\\0001" }
        ] }
    ],
    "paths": [ { "outputTechnology": 2147483648, "sourceName": "\\\\.\\DISPLAY1" } ]
  },
  "acpi": { "present": false, "reply": "" },
  "colorSystem": { "installed": [] },
  "faults": []
})json");
        m["wmi"]["ROOT\\WMI"]["WmiMonitorDescriptorMethods"][0]["BlockContent"] = EdidHex();
        return m;
    }();
    return machine;
}

} // namespace sim
