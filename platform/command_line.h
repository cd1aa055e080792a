// The process command line and its splitting into arguments.
#pragma once

#include "platform/types.h"

namespace platform {

const char16_t* GetCommandLineW();
// An array of *count argument strings in one block that LocalFree releases, or null on failure.
char16_t** CommandLineToArgvW(const char16_t* commandLine, int* count);
void* LocalFree(void* memory);

} // namespace platform
