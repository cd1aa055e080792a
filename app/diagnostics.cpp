#include "app/diagnostics.h"

#include "app/run_context.h"
#include "app/user_data.h"
#include "platform/command_line.h"
#include "platform/console.h"
#include "platform/debug_output.h"
#include "platform/profile_strings.h"
#include "platform/registry.h"
#include "platform/text.h"

using platform::FormatArg;

namespace {

constexpr std::size_t kTraceAText = 1024;
// The wide message has room for the longest device lines of display discovery; the data file path that
// the first wide trace reads its switch from keeps its own 256 units.
constexpr std::size_t kTraceWText = 1024;
constexpr std::size_t kTracePathText = 256;
constexpr std::size_t kReportText = 4096;

void WriteNarrow(const char* text) {
    std::size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    platform::WriteStdout(text, length);
}

// Whether a wide trace line is written: the per-user switch is read at the first call and cached.
bool WideTraceWanted() {
    ReadUserDebugSwitch();
    return g_nDebugMessage == 2 || g_bDebugMode;
}

} // namespace

void ReadUserDebugSwitch() {
    if (g_nDebugMessage == 0) {
        char16_t path[kTracePathText] = {};
        GetUserDataFilePath(path, kTracePathText);
        const platform::UINT value = platform::GetPrivateProfileIntW(u"Main", u"DebugMessage", 0, path);
        g_nDebugMessage = (value & 0xFFFFu) != 0 ? 2 : 1;
    }
}

void ReadDebugSwitch() {
    platform::HKEY key = nullptr;
    if (platform::RegOpenKeyExW(platform::HKeyLocalMachine(),
                                u"Software\\NORVIK\\Quillory\\NorvikOptimization", 0,
                                platform::KEY_WOW64_64KEY | platform::KEY_QUERY_VALUE,
                                &key) != static_cast<platform::LONG>(platform::ERROR_SUCCESS)) {
        return;
    }
    // The value is taken as four little-endian bytes whatever its type; a shorter one fills the low bytes.
    platform::BYTE value[4] = {};
    platform::DWORD size = sizeof value;
    const platform::LONG result =
        platform::RegQueryValueExW(key, u"LumisseDebug", nullptr, nullptr, value, &size);
    platform::RegCloseKey(key);
    const uint32_t number = static_cast<uint32_t>(value[0]) | (static_cast<uint32_t>(value[1]) << 8) |
                            (static_cast<uint32_t>(value[2]) << 16) | (static_cast<uint32_t>(value[3]) << 24);
    if (result == static_cast<platform::LONG>(platform::ERROR_SUCCESS) && number == 1) {
        g_bDebugMode = true;
    }
}

void TraceAArgs(const char* format, std::span<const FormatArg> args) {
    char message[kTraceAText] = {};
    platform::FormatNarrowArgs(message, kTraceAText, format, args);
    if (!g_bDebugMode) {
        return;
    }
    platform::OutputDebugStringA(message);
    WriteNarrow("[Tintfold W] ");
    WriteNarrow(message);
    WriteNarrow("\n");
}

void TraceWArgs(const char16_t* format, std::span<const FormatArg> args) {
    if (!WideTraceWanted()) {
        return;
    }
    char16_t message[kTraceWText] = {};
    platform::FormatWideArgs(message, kTraceWText, format, args);
    platform::OutputDebugStringW(message);
    if (g_bDebugMode) {
        WriteNarrow("[Tintfold S] ");
        platform::WriteStdoutW(message, platform::WLen(message));
        platform::WriteStdoutW(u"\n", 1);
    }
}

int PrintConsoleAArgs(const char* format, std::span<const FormatArg> args) {
    const std::string text = platform::FormatNarrowString(format, args);
    platform::WriteStdout(text.data(), text.size());
    return static_cast<int>(text.size());
}

int PrintConsoleWArgs(const char16_t* format, std::span<const FormatArg> args) {
    const std::u16string text = platform::FormatWideString(format, args);
    platform::WriteStdoutW(text.data(), text.size());
    return static_cast<int>(text.size());
}

void ReportInitError() {
    const platform::DWORD code = platform::GetLastError();
    char16_t* systemText = nullptr;
    platform::FormatMessageW(platform::FORMAT_MESSAGE_ALLOCATE_BUFFER | platform::FORMAT_MESSAGE_FROM_SYSTEM |
                                 platform::FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, platform::LANG_NEUTRAL_SUBLANG_DEFAULT, &systemText, 0, nullptr);
    char16_t report[kReportText] = {};
    platform::FormatW(report, kReportText, u"[Tintfold]%s -> %s error: %u - %s", u"InitInstance",
                      u"GetModuleFileName failed", code, systemText);
    if (g_bDebugMode) {
        platform::OutputDebugStringW(report);
    }
    platform::LocalFree(systemText);
}
