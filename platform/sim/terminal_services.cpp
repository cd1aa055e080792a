// Terminal services of the simulated machine: the console session and its user, from the description.
#include "platform/terminal_services.h"

#include <string>

#include "platform/sim/description.h"
#include "platform/sim/local_memory.h"
#include "platform/sim/machine.h"
#include "platform/text.h"

namespace {

// The console session's identifier when no session is attached to the console.
constexpr platform::DWORD kNoSession = 0xFFFFFFFFu;

const sim::Json& Console() {
    return sim::Description()["console"];
}

} // namespace

namespace platform {

DWORD WTSGetActiveConsoleSessionId() {
    return Console().value("sessionId", kNoSession);
}

BOOL PLATFORM_API WTSQuerySessionInformationW(Handle, DWORD sessionId, int infoClass, char16_t** buffer,
                                              DWORD* bytesReturned) {
    if (buffer == nullptr || infoClass != WTSUserName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kFalse;
    }
    if (Console().value("queryFails", false)) {
        SetLastError(ERROR_GEN_FAILURE);
        return kFalse;
    }
    if (sessionId != WTSGetActiveConsoleSessionId()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return kFalse;
    }
    const std::u16string user = platform::Utf8ToUtf16(Console().value("user", ""));
    char16_t* text = sim::LocalString(user);
    if (text == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return kFalse;
    }
    *buffer = text;
    if (bytesReturned != nullptr) {
        *bytesReturned = static_cast<DWORD>((user.size() + 1) * sizeof(char16_t));
    }
    return kTrue;
}

} // namespace platform
