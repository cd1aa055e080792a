// Diagnostic output: the two trace operations, the console prints and the start-up error report,
// and the registry debug switch.
#pragma once

#include <span>

#include "platform/format.h"

// Reads the registry switch and sets g_bDebugMode when it is on.
void ReadDebugSwitch();

// Reads the per-user DebugMessage switch into g_nDebugMessage, unless it was read already.
void ReadUserDebugSwitch();

void TraceAArgs(const char* format, std::span<const platform::FormatArg> args);
void TraceWArgs(const char16_t* format, std::span<const platform::FormatArg> args);
int PrintConsoleAArgs(const char* format, std::span<const platform::FormatArg> args);
int PrintConsoleWArgs(const char16_t* format, std::span<const platform::FormatArg> args);

// Narrow trace line: to the debugger and, with its prefix, to standard output, in debug mode only.
template <typename... Args> void TraceA(const char* format, const Args&... args) {
    const platform::FormatArg list[] = {platform::FormatArg(args)..., platform::FormatArg(0)};
    TraceAArgs(format, std::span<const platform::FormatArg>(list, sizeof...(Args)));
}

// Wide trace line: to the debugger in debug mode or when the per-user switch is on; to standard
// output, with its prefix, in debug mode only.
template <typename... Args> void TraceW(const char16_t* format, const Args&... args) {
    const platform::FormatArg list[] = {platform::FormatArg(args)..., platform::FormatArg(0)};
    TraceWArgs(format, std::span<const platform::FormatArg>(list, sizeof...(Args)));
}

// Formatted text on standard output, whatever the switches say. Returns the characters written.
template <typename... Args> int PrintConsoleA(const char* format, const Args&... args) {
    const platform::FormatArg list[] = {platform::FormatArg(args)..., platform::FormatArg(0)};
    return PrintConsoleAArgs(format, std::span<const platform::FormatArg>(list, sizeof...(Args)));
}

template <typename... Args> int PrintConsoleW(const char16_t* format, const Args&... args) {
    const platform::FormatArg list[] = {platform::FormatArg(args)..., platform::FormatArg(0)};
    return PrintConsoleWArgs(format, std::span<const platform::FormatArg>(list, sizeof...(Args)));
}

// Reports a failed module path query, with the system's text for the last error, to the debugger in
// debug mode.
void ReportInitError();
