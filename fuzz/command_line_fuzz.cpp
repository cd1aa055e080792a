// Command-line splitting of arbitrary UTF-16 text: the argument block must be well formed and hold no
// more characters than the line it came from.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_machine.h"
#include "platform/command_line.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    LoadFuzzMachine("command-line");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::u16string line(size / sizeof(char16_t), u'\0');
    std::memcpy(line.data(), data, line.size() * sizeof(char16_t));
    int count = 0;
    char16_t** argv = platform::CommandLineToArgvW(line.c_str(), &count);
    if (argv == nullptr || count < 1 || argv[count] != nullptr) {
        __builtin_trap();
    }
    std::size_t total = 0;
    for (int i = 0; i < count; ++i) {
        total += platform::WLen(argv[i]);
    }
    // Every character of an argument comes from a character of the line (an empty line gives the
    // program path instead).
    const std::size_t lineLength = platform::WLen(line.c_str());
    if (lineLength > 0 && total > lineLength) {
        __builtin_trap();
    }
    if (platform::LocalFree(argv) != nullptr) {
        __builtin_trap();
    }
    return 0;
}
