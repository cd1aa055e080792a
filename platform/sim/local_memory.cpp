// Memory that LocalFree releases, on the simulated machine.
#include "platform/sim/local_memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
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

char16_t* LocalString(std::u16string_view text) {
    auto* copy = static_cast<char16_t*>(LocalAllocate((text.size() + 1) * sizeof(char16_t)));
    if (copy != nullptr) {
        std::memcpy(copy, text.data(), text.size() * sizeof(char16_t));
    }
    return copy;
}

char16_t** LocalStringArray(const std::vector<std::u16string>& strings) {
    std::size_t bytes = (strings.size() + 1) * sizeof(char16_t*);
    for (const std::u16string& text : strings) {
        bytes += (text.size() + 1) * sizeof(char16_t);
    }
    auto** array = static_cast<char16_t**>(LocalAllocate(bytes));
    if (array == nullptr) {
        return nullptr;
    }
    auto* text = reinterpret_cast<char16_t*>(array + strings.size() + 1); // NOLINT: strings follow the array
    for (std::size_t i = 0; i < strings.size(); ++i) {
        array[i] = text;
        std::memcpy(text, strings[i].c_str(), (strings[i].size() + 1) * sizeof(char16_t));
        text += strings[i].size() + 1;
    }
    array[strings.size()] = nullptr;
    return array;
}

} // namespace sim
