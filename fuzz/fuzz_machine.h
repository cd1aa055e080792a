// A simulated machine for the fuzz targets, in a root folder of its own: on the memory file system
// where there is one, so that the files a machine keeps cost no disk writes.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/sim/description.h"
#include "platform/sim/machine.h"

// The process's root folder, named by the target and the process: the fuzzer's -jobs and -fork run
// several processes of one target at once, and each needs a machine of its own. It is removed when the
// process ends normally.
inline std::filesystem::path FuzzRoot(const char* name) {
    struct OwnFolder {
        std::filesystem::path path;
        ~OwnFolder() {
            std::error_code error;
            std::filesystem::remove_all(path, error);
        }
    };
    static const OwnFolder folder = [name] {
        std::error_code error;
        const std::filesystem::path memory = "/dev/shm";
        const std::filesystem::path base =
            std::filesystem::is_directory(memory, error) ? memory : std::filesystem::temp_directory_path();
        return OwnFolder{base / ("tintfold-fuzz-" + std::string(name) + "-" + std::to_string(::getpid()))};
    }();
    return folder.path;
}

inline void LoadFuzzMachine(const char* name, const sim::Json& description = sim::Json::object()) {
    sim::Load(FuzzRoot(name), description);
}
