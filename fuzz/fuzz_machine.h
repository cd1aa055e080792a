// A simulated machine for the fuzz targets: the default machine in a root folder of its own.
#pragma once

#include <filesystem>
#include <string>

#include "platform/sim/machine.h"

inline void LoadFuzzMachine(const char* name) {
    sim::Load(std::filesystem::temp_directory_path() / (std::string("tintfold-fuzz-") + name),
              sim::Json::object());
}
