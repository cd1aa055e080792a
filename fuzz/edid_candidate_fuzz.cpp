// Fuzz target: arbitrary EDID answers of the simulated machine's monitors, turned into panel candidates.
// Byte 0 chooses the shape (answer form, element size, monitor count, an element read that fails),
// byte 1 the array's lower bound, byte 2 the failing element's index; the rest is the BlockContent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/run_context.h"
#include "panel/panel_candidates.h"
#include "platform/com.h"
#include "platform/sim/machine.h"

namespace {

constexpr std::size_t kHeader = 3;

const std::filesystem::path& Root() {
    static const std::filesystem::path root = std::filesystem::temp_directory_path() / "tintfold-edid-fuzz";
    return root;
}

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool IsCandidate(const std::u16string& text) {
    if (text.size() != 8) {
        return false;
    }
    for (const char16_t c : text) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) {
            return false;
        }
    }
    return true;
}

// The candidate that bytes 8 to 11 of a base block give: manufacturer, then product code, each
// byte-swapped. The array's element k is the block's byte k; bytes no element gives are 0.
std::u16string Expected(const std::vector<uint8_t>& elements, int lowerBound) {
    auto at = [&](int64_t i) {
        const int64_t element = i - lowerBound;
        return element >= 0 && element < static_cast<int64_t>(elements.size()) ? elements[element]
                                                                               : uint8_t{0};
    };
    const uint8_t order[4] = {at(9), at(8), at(11), at(10)};
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string text;
    for (const uint8_t b : order) {
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeader) {
        return 0;
    }
    const bool objectForm = (data[0] & 0x1) != 0;
    const unsigned elementSize = (data[0] & 0x2) != 0 ? 2 : 1;
    const std::size_t monitors = 1 + ((data[0] >> 2) & 0x3);
    const bool failElement = (data[0] & 0x10) != 0;
    const int lowerBound = static_cast<int8_t>(data[1]);
    const std::vector<uint8_t> content(data + kHeader, data + size);
    const std::string hex = sim::ToHex(content.data(), content.size());

    sim::Json connections = sim::Json::array();
    sim::Json descriptors = sim::Json::array();
    for (std::size_t i = 0; i < monitors; ++i) {
        const std::string name = "DISPLAY\\FUZ\\" + std::to_string(i);
        connections.push_back({{"InstanceName", name}, {"Active", true}, {"VideoOutputTechnology", 0}});
        sim::Json blockContent = hex;
        if (objectForm) {
            blockContent = {{"bytes", hex}, {"lowerBound", lowerBound}, {"elementSize", elementSize}};
        }
        descriptors.push_back({{"InstanceName", name}, {"BlockType", 1}, {"BlockContent", blockContent}});
    }
    sim::Json faults = sim::Json::array();
    if (failElement) {
        faults.push_back(
            {{"call", "SafeArrayGetElement"}, {"instance", 0u}, {"index", static_cast<unsigned>(data[2])}});
    }
    sim::Load(
        Root(),
        {{"wmi",
          {{"ROOT\\CIMV2", {{"Win32_SystemEnclosure", sim::Json::array({{{"ChassisTypes", {10}}}})}}},
           {"ROOT\\WMI",
            {{"WmiMonitorConnectionParams", connections}, {"WmiMonitorDescriptorMethods", descriptors}}}}},
         {"faults", faults}});
    ResetRunContext();
    platform::CoInitializeEx(nullptr, platform::COINIT_MULTITHREADED);

    const std::vector<std::u16string> candidates = GetPanelCandidates();
    Require(candidates.size() == monitors);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        Require(IsCandidate(candidates[i]));
        // Without a failing element, every monitor's candidate is what its block's bytes say.
        if (!failElement || i > 0) {
            std::vector<uint8_t> block = content;
            if (objectForm && elementSize != 1) {
                block.clear();
            }
            Require(candidates[i] == Expected(block, objectForm ? lowerBound : 0));
        }
    }
    platform::CoUninitialize();
    return 0;
}
