// The process's standard output on the simulated machine: the console's text reaches the host as UTF-8.
#include "platform/console.h"

#include <cstdio>
#include <string>

#include "platform/sim/code_pages.h"
#include "platform/sim/machine.h"
#include "platform/text.h"

namespace {

std::FILE* g_output = stdout;

void WriteUtf8(const std::string& text, std::FILE* stream = g_output) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

} // namespace

namespace platform {

void SendStdoutToStderr() {
    g_output = stderr;
}

void WriteStdout(const char* text, std::size_t length) {
    if (text != nullptr && length > 0) {
        WriteUtf8(platform::Utf16ToUtf8(sim::AnsiToUtf16(std::string_view(text, length))));
    }
}

void WriteStdoutW(const char16_t* text, std::size_t length) {
    if (text != nullptr && length > 0) {
        WriteUtf8(platform::Utf16ToUtf8(std::u16string_view(text, length)));
    }
}

void WriteStderrW(const char16_t* text, std::size_t length) {
    if (text != nullptr && length > 0) {
        WriteUtf8(platform::Utf16ToUtf8(std::u16string_view(text, length)), stderr);
    }
}

} // namespace platform
