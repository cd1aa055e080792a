// A simulated machine for the WMI, display and device tests: COM initialised for the thread, and
// helpers to build machine descriptions and catch what the routines print.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/com.h"
#include "platform/text.h"
#include "support/sim_fixture.h"

class WmiMachineTest : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        platform::CoInitializeEx(nullptr, platform::COINIT_MULTITHREADED);
    }

    // Loads the default machine with overlay's keys laid over it, COM initialised again.
    void Load(const sim::Json& overlay) {
        LoadMachine(overlay.dump());
        platform::CoInitializeEx(nullptr, platform::COINIT_MULTITHREADED);
    }

    // Whether the debugger output holds this line.
    bool Logged(const std::string& line) const {
        const auto lines = DebugLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    // What fn writes on standard output.
    template <typename Fn> std::string Stdout(Fn fn) {
        ::testing::internal::CaptureStdout();
        fn();
        return ::testing::internal::GetCapturedStdout();
    }
};

// A fault record: {"call": call, ...fields, "result": result (when given)}.
inline sim::Json Fault(const std::string& call, sim::Json fields = sim::Json::object(),
                       const char* result = nullptr) {
    fields["call"] = call;
    if (result != nullptr) {
        fields["result"] = result;
    }
    return fields;
}

// A 128-byte EDID base block as hex, with the manufacturer and product-code bytes 8 to 11 given.
inline std::string EdidHex(uint8_t b8, uint8_t b9, uint8_t b10, uint8_t b11) {
    std::vector<uint8_t> edid(128, 0);
    const uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::copy(header, header + 8, edid.begin());
    edid[8] = b8;
    edid[9] = b9;
    edid[10] = b10;
    edid[11] = b11;
    for (std::size_t i = 12; i < edid.size(); ++i) {
        edid[i] = static_cast<uint8_t>(i);
    }
    return platform::ToHex(edid.data(), edid.size());
}
