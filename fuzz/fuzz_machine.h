// A simulated machine for the fuzz targets, in a root folder of its own: on the memory file system
// where there is one, so that the files a machine keeps cost no disk writes.
#pragma once

#include <filesystem>
#include <string>

#include "platform/sim/machine.h"

inline std::filesystem::path FuzzRoot(const char* name) {
    std::error_code error;
    const std::filesystem::path memory = "/dev/shm";
    const std::filesystem::path base =
        std::filesystem::is_directory(memory, error) ? memory : std::filesystem::temp_directory_path();
    return base / (std::string("tintfold-fuzz-") + name);
}

inline void LoadFuzzMachine(const char* name, const sim::Json& description = sim::Json::object()) {
    sim::Load(FuzzRoot(name), description);
}
