// The bounded formatter with arbitrary formats into small buffers: it must never write past the
// buffer, always terminate it, and report how many units it wrote.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_machine.h"
#include "platform/format.h"

namespace {

const platform::FormatArg kArgs[] = {
    platform::FormatArg(-2147483647 - 1),
    platform::FormatArg(4294967295u),
    platform::FormatArg(3.14159),
    platform::FormatArg("narrow %s text"),
    platform::FormatArg(u"wide \u20AC text"),
    platform::FormatArg(static_cast<const char*>(nullptr)),
    platform::FormatArg(static_cast<const char16_t*>(nullptr)),
    platform::FormatArg(static_cast<long long>(-1)),
};

template <typename Unit, typename FormatFn>
void Check(std::size_t capacity, const std::basic_string<Unit>& format, std::size_t argCount,
           FormatFn formatFn) {
    // Exactly capacity units on the heap, so that any write past them is caught.
    const std::unique_ptr<Unit[]> buffer(new Unit[capacity]);
    const std::size_t written = formatFn(buffer.get(), capacity, format.c_str(),
                                         std::span<const platform::FormatArg>(kArgs, argCount));
    if (capacity == 0) {
        if (written != 0) {
            __builtin_trap();
        }
        return;
    }
    if (written >= capacity || buffer[written] != Unit(0)) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    LoadFuzzMachine("format");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::size_t capacity = data[0] % 48;
    const std::size_t argCount = data[1] % (std::size(kArgs) + 1);
    const std::string narrow(reinterpret_cast<const char*>(data + 2), size - 2);
    std::u16string wide;
    for (std::size_t i = 2; i + 1 < size; i += 2) {
        wide += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    Check(capacity, std::string(narrow.c_str()), argCount, platform::FormatNarrowArgs);
    Check(capacity, std::u16string(wide.c_str()), argCount, platform::FormatWideArgs);
    return 0;
}
