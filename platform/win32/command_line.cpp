// The process command line and its splitting into arguments.
#include "platform/command_line.h"

#include "platform/win32/win32.h"

#include <shellapi.h>

namespace platform {

const char16_t* GetCommandLineW() {
    return win32::U(::GetCommandLineW());
}

char16_t** CommandLineToArgvW(const char16_t* commandLine, int* count) {
    // A null count goes through: the system refuses it (ERROR_INVALID_PARAMETER).
    return reinterpret_cast<char16_t**>(::CommandLineToArgvW(win32::W(commandLine), count));
}

void* LocalFree(void* memory) {
    return ::LocalFree(memory);
}

} // namespace platform
