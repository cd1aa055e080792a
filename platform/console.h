// The process's standard output and standard error.
#pragma once

#include <cstddef>

namespace platform {

// From now on, what the two calls below write goes to standard error instead: a program whose standard
// output carries a report of its own keeps diagnostics out of it.
void SendStdoutToStderr();

// Narrow text, in the ANSI code page.
void WriteStdout(const char* text, std::size_t length);
// Wide text.
void WriteStdoutW(const char16_t* text, std::size_t length);
// Wide text on standard error.
void WriteStderrW(const char16_t* text, std::size_t length);

} // namespace platform
