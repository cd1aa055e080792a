// Debugger output of the simulated machine (debugger.log) and the system's English error texts.
#include "platform/debug_output.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "platform/sim/code_pages.h"
#include "platform/sim/local_memory.h"
#include "platform/sim/machine.h"
#include "platform/sim/records.h"
#include "platform/text.h"

namespace sim {

namespace {

struct MessageText {
    platform::DWORD code;
    const char16_t* text;
};

// The system's texts for the error codes that the machine produces.
constexpr std::array<MessageText, 20> kMessages{{
    {0, u"The operation completed successfully.\r\n"},
    {2, u"The system cannot find the file specified.\r\n"},
    {3, u"The system cannot find the path specified.\r\n"},
    {5, u"Access is denied.\r\n"},
    {6, u"The handle is invalid.\r\n"},
    {8, u"Not enough memory resources are available to process this command.\r\n"},
    {11, u"An attempt was made to load a program with an incorrect format.\r\n"},
    {18, u"There are no more files.\r\n"},
    {31, u"A device attached to the system is not functioning.\r\n"},
    {32, u"The process cannot access the file because it is being used by another process.\r\n"},
    {50, u"The request is not supported.\r\n"},
    {80, u"The file exists.\r\n"},
    {87, u"The parameter is incorrect.\r\n"},
    {122, u"The data area passed to a system call is too small.\r\n"},
    {126, u"The specified module could not be found.\r\n"},
    {127, u"The specified procedure could not be found.\r\n"},
    {161, u"The specified path is invalid.\r\n"},
    {183, u"Cannot create a file when that file already exists.\r\n"},
    {234, u"More data is available.\r\n"},
    {317, u"The system cannot find message text for message number 0x%1 in the message file for %2.\r\n"},
}};

constexpr platform::DWORD kErrorMessageNotFound = 317;

} // namespace

} // namespace sim

namespace platform {

void OutputDebugStringA(const char* text) {
    if (text != nullptr) {
        sim::DebugLog(platform::Utf16ToUtf8(sim::AnsiToUtf16(text)));
    }
}

void OutputDebugStringW(const char16_t* text) {
    if (text != nullptr) {
        sim::DebugLog(platform::Utf16ToUtf8(text));
    }
}

DWORD FormatMessageW(DWORD flags, const void*, DWORD messageId, DWORD, char16_t** allocated, DWORD, void*) {
    constexpr DWORD required = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM;
    if ((flags & required) != required || allocated == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    *allocated = nullptr;
    const auto found = std::find_if(sim::kMessages.begin(), sim::kMessages.end(),
                                    [&](const sim::MessageText& m) { return m.code == messageId; });
    if (found == sim::kMessages.end()) {
        SetLastError(sim::kErrorMessageNotFound);
        return 0;
    }
    const std::size_t length = WLen(found->text);
    char16_t* text = sim::LocalString({found->text, length});
    if (text == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    *allocated = text;
    return static_cast<DWORD>(length);
}

} // namespace platform
