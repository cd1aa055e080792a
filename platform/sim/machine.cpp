// Loading a simulated machine, the machine that is current, and the modules that keep state of their own.
#include "platform/sim/machine.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "platform/sim/description.h"
#include "platform/sim/records.h"
#include "platform/types.h"

namespace sim {

namespace {

struct Machine {
    std::filesystem::path root;
    Json desc;
    std::vector<std::string> args;
};

std::optional<Machine>& CurrentMachine() {
    static std::optional<Machine> machine;
    return machine;
}

const Machine& Current() {
    const auto& machine = CurrentMachine();
    if (!machine) {
        throw std::logic_error("no simulated machine is loaded");
    }
    return *machine;
}

std::vector<Module>& Modules() {
    static std::vector<Module> modules;
    return modules;
}

// Every module's state is reset as a newly loaded machine starts it.
void ResetState() {
    platform::SetLastError(platform::ERROR_SUCCESS);
    for (const Module& module : Modules()) {
        module.reset();
    }
}

} // namespace

ModuleRegistration::ModuleRegistration(Module module) {
    auto& modules = Modules();
    const bool known =
        std::any_of(modules.begin(), modules.end(), [&](const Module& m) { return m.reset == module.reset; });
    if (!known) {
        modules.push_back(module);
    }
}

void Load(const std::filesystem::path& root, const Json& description, std::vector<std::string> args) {
    Validate(description);
    Json desc = DefaultMachine();
    for (const auto& [key, value] : description.items()) {
        desc[key] = value;
    }
    std::filesystem::create_directories(root / "C");
    StartRecords(root);
    CurrentMachine() = Machine{root, std::move(desc), std::move(args)};
    ResetState();
}

void Unload() {
    if (!CurrentMachine()) {
        return;
    }
    ResetState();
    CloseRecords();
    CurrentMachine().reset();
}

void LoadFromEnvironment(int argc, char** argv) {
    try {
        const char* rootVariable = std::getenv("TINTFOLD_ROOT");
        const std::filesystem::path root = (rootVariable != nullptr && *rootVariable != '\0')
                                               ? std::filesystem::path(rootVariable)
                                               : std::filesystem::current_path() / "tintfold-root";
        const char* machineVariable = std::getenv("TINTFOLD_MACHINE");
        Json description = Json::object();
        if (machineVariable != nullptr && *machineVariable != '\0') {
            description = ReadDescription(machineVariable);
        } else if (std::filesystem::is_regular_file(root / "machine.json")) {
            description = ReadDescription(root / "machine.json");
        }
        std::vector<std::string> args;
        for (int i = 1; i < argc; ++i) {
            args.emplace_back(argv[i]);
        }
        Load(root, description, std::move(args));
    } catch (const MachineError& e) {
        std::cerr << "tintfold: unusable machine description: " << e.what() << '\n';
        std::exit(2);
    } catch (const std::filesystem::filesystem_error& e) {
        std::cerr << "tintfold: cannot set up the machine's root folder: " << e.what() << '\n';
        std::exit(2);
    }
}

const std::filesystem::path& Root() {
    return Current().root;
}

const Json& Description() {
    return Current().desc;
}

const std::vector<std::string>& Arguments() {
    return Current().args;
}

void Finish() {
    for (const Module& module : Modules()) {
        if (module.save != nullptr) {
            module.save();
        }
    }
}

} // namespace sim
