// The process's standard output and standard error.
#pragma once

#include <cstddef>

namespace platform {

// Narrow text, in the ANSI code page.
void WriteStdout(const char* text, std::size_t length);
// Wide text.
void WriteStdoutW(const char16_t* text, std::size_t length);
// Wide text on standard error.
void WriteStderrW(const char16_t* text, std::size_t length);

} // namespace platform
