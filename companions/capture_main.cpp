// tintfold-capture: this machine as a machine description, for replay on the simulated machine.
#include <cstdio>
#include <cstring>
#include <string>

#include "companions/capture_machine.h"
#include "companions/companion_start.h"

namespace {

constexpr int kWritten = 0;
constexpr int kUnusable = 2;

int Usage() {
    std::fprintf(stderr, "usage: tintfold-capture [--output FILE] [--anonymous]\n");
    return kUnusable;
}

} // namespace

int main(int argc, char** argv) {
    const char* output = nullptr;
    bool anonymous = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--anonymous") == 0) {
            anonymous = true;
        } else if (std::strcmp(argv[i], "--output") == 0 && i + 1 < argc && output == nullptr) {
            output = argv[++i];
        } else {
            return Usage();
        }
    }
    if (!StartCompanion(argc, argv, "tintfold-capture")) {
        return kUnusable;
    }
    const std::string description = CaptureMachine(anonymous);
    EndCompanion();

    std::FILE* file = output != nullptr ? std::fopen(output, "wb") : stdout;
    if (file == nullptr) {
        std::fprintf(stderr, "tintfold-capture: cannot write %s\n", output);
        return kUnusable;
    }
    const bool written = std::fwrite(description.data(), 1, description.size(), file) == description.size();
    const bool closed = file == stdout ? std::fflush(file) == 0 : std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "tintfold-capture: cannot write the description\n");
        return kUnusable;
    }
    return kWritten;
}
