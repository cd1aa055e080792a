#include "app/run_context.h"
#include "app/run_sequence.h"
#include "platform/process.h"

int main(int argc, char** argv) {
    platform::StartProcess(argc, argv);
    const int exitCode = RunSequence();
    // The profile kept open by tag extraction is released at exit.
    ResetRunContext();
    platform::EndProcess();
    return exitCode;
}
