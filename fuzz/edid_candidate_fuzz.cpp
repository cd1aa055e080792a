// Fuzz target: arbitrary EDID answers turned into a panel candidate, in memory: the BlockContent array
// as the simulated machine's WMI hands it out, copied into the routine's 128-byte block and formatted.
// Byte 0 chooses the element size (bit 0: 2 bytes, else 1), byte 1 the array's lower bound; the rest is
// the content. (Element reads that fail are left to the whole-run target, which fuzzes faults.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "fuzz/fuzz_machine.h"
#include "panel/monitor_edid.h"
#include "panel/panel_candidates.h"
#include "platform/sim/wmi_values.h"
#include "platform/text.h"

namespace {

constexpr std::size_t kHeader = 2;
constexpr std::size_t kEdidBlock = 128;
// Longer contents only repeat what the first block's bytes show.
constexpr std::size_t kMaxContent = 256;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The candidate that bytes 8 to 11 of a block give: manufacturer, then product code, each byte-swapped.
bool IsExpected(const char16_t* candidate, const uint8_t* block) {
    const uint8_t order[4] = {block[9], block[8], block[11], block[10]};
    for (std::size_t i = 0; i < 4; ++i) {
        if (candidate[2 * i] != platform::HexDigit(order[i] >> 4u) ||
            candidate[2 * i + 1] != platform::HexDigit(order[i])) {
            return false;
        }
    }
    return candidate[8] == 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    LoadFuzzMachine("edid-candidate");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeader) {
        return 0;
    }
    const platform::UINT elementSize = (data[0] & 0x1) != 0 ? 2 : 1;
    const int lowerBound = static_cast<int8_t>(data[1]);
    const std::vector<uint8_t> content(data + kHeader, data + std::min(size, kHeader + kMaxContent));

    platform::Variant value;
    platform::VariantInit(&value);
    sim::MakeByteArray(content, lowerBound, elementSize, sim::Json{{"instance", 0}}, &value);
    // Exactly the routine's block and candidate sizes on the heap, so that a write past them is caught.
    const std::unique_ptr<uint8_t[]> block(new uint8_t[kEdidBlock]());
    CopyBlockContent(value.parray, block.get(), static_cast<int32_t>(kEdidBlock));
    const std::unique_ptr<char16_t[]> candidate(new char16_t[kCandidateText]);
    EdidCandidate(block.get(), candidate.get());
    for (std::size_t i = 0; i + 1 < kCandidateText; ++i) {
        Require(platform::IsUpperHexDigit(candidate[i]));
    }
    // Element k of a byte array is the block's byte k; bytes no element gives stay 0.
    if (elementSize == 1) {
        std::vector<uint8_t> expected(kEdidBlock, 0);
        for (std::size_t i = 0; i < content.size(); ++i) {
            const auto k = static_cast<int64_t>(i) + lowerBound;
            if (k >= 0 && k < static_cast<int64_t>(kEdidBlock)) {
                expected[static_cast<std::size_t>(k)] = content[i];
            }
        }
        Require(IsExpected(candidate.get(), expected.data()));
    }
    platform::VariantClear(&value);
    return 0;
}
