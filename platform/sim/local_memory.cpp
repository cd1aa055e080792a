// Memory that LocalFree releases, on the simulated machine.
#include "platform/sim/local_memory.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "platform/sim/handle_table.h"
#include "platform/sim/machine.h"

namespace sim {

namespace {

struct FreeBlock {
    void operator()(void* memory) const { std::free(memory); }
};

HandleTable<void, FreeBlock>& LocalBlocks() {
    static HandleTable<void, FreeBlock> blocks;
    return blocks;
}

const sim::ModuleRegistration kModule{{[] { LocalBlocks().Clear(); }, nullptr}};

} // namespace

void* LocalAllocate(std::size_t bytes) {
    void* memory = std::calloc(std::max<std::size_t>(bytes, 1), 1);
    return memory != nullptr ? LocalBlocks().Add(std::unique_ptr<void, FreeBlock>(memory)) : nullptr;
}

bool LocalRelease(void* memory) {
    return LocalBlocks().Close(memory);
}

} // namespace sim
