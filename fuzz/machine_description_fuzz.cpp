// Fuzz target: arbitrary bytes as a machine description file, read by the simulated machine's loader.
// The loader either refuses the text (a MachineError, the process's exit status 2) or makes a machine
// of it that holds every key of the default machine.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::filesystem::path root = FuzzRoot("machine-description");
    try {
        const sim::Json description =
            sim::ParseDescription(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.json");
        sim::Load(root, description);
    } catch (const sim::MachineError&) {
        return 0;
    }
    for (const auto& [key, value] : sim::DefaultMachine().items()) {
        if (!sim::Description().contains(key)) {
            __builtin_trap();
        }
    }
    return 0;
}
