#include "companions/companion_start.h"

#include <cstdio>

#include "app/diagnostics.h"
#include "app/run_context.h"
#include "app/run_sequence.h"
#include "platform/com.h"
#include "platform/console.h"
#include "platform/process.h"

bool StartCompanion(int argc, char** argv, const char* program) {
    platform::StartProcess(argc, argv);
    platform::SendStdoutToStderr();
    ReadDebugSwitch();
    if (!LoadSystemLibraries()) {
        std::fprintf(stderr, "%s: the system libraries cannot be loaded\n", program);
        return false;
    }
    platform::CoInitializeEx(nullptr, platform::COINIT_MULTITHREADED);
    return true;
}

void EndCompanion() {
    platform::CoUninitialize();
    ResetRunContext();
}
