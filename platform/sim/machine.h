// The simulated machine: loading one, the machine that is current, the end of a run, and the modules that
// keep state of their own. Internal to the sim backend.
//
// Where the sim keeps what:
//   description.h      the machine description: reading, checking, the default machine
//   host_paths.h       where a Windows path lies on the host, and the path length rule
//   host_files.h       reading and copying host files: only regular files, never waiting, by data ranges
//   records.h          what a run leaves to read: journal.jsonl and debugger.log
//   faults.h           the failures a description produces on purpose
//   file_handles.h     files opened by CreateFileW, their share modes and links (file_copy.cpp: the copies)
//   accounts.h         SIDs, the accounts a description names, the process's token
//   descriptors.h      owners and access lists: binary layouts, inheritance, the access check
//   file_entries.h     a file's entry in the description's "files" key and in security.json
//   file_security.h    the security of each file and folder, its checks, and security.json
//   events.h           the description's events: names turned into links during a run
//   local_memory.h     memory that LocalFree releases, strings and lists of strings in it
//   display_sources.h  the sources of the active display paths, the adapters of the monitors (display.cpp)
//   display_lists.h    the per-display colour-profile lists of build 20348 and later, and their functions
//   code_pages.h       the ANSI code pages and narrow text
//   profile_text.h     the text of profile-string files, edited in memory
// Each service header of platform/ is implemented by the file of the same name, except where the header
// says which files hold its calls.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace sim {

using Json = nlohmann::json;

// Loads the machine from TINTFOLD_ROOT and TINTFOLD_MACHINE; on an unusable description prints the message on
// standard error and ends the process with status 2 before anything is written to the root.
void LoadFromEnvironment(int argc, char** argv);

// Makes a machine current: validates the description (MachineError), lays it over the default, creates the
// root, starts debugger.log and journal.jsonl afresh and resets every module's state.
void Load(const std::filesystem::path& root, const Json& description, std::vector<std::string> args = {});

// Ends the run: writes the state that persists in the root (color-system.json, security.json).
void Finish();

// Leaves no machine loaded: resets every module's state as Load does, closes debugger.log and journal.jsonl
// and releases the machine, so that what a run built up does not stay in memory until the next Load.
// Platform calls need a Load again.
void Unload();

// The current machine; loading one is required before any platform call. Its root folder, its description
// (the embedded default with the given description's top-level keys laid over it; description.h) and the
// process's own arguments (argv[1] on), for a description whose commandLine is null.
const std::filesystem::path& Root();
const Json& Description();
const std::vector<std::string>& Arguments();

// A sim module with state of its own: its reset (called by Load and Unload) and, where state persists in
// the root, its save (called by Finish; may be null).
struct Module {
    void (*reset)();
    void (*save)();
};

// Registers a module from a static initialiser of the file that holds its state:
//   const sim::ModuleRegistration kModule{{&Reset, &Save}};
// A file that the linker leaves out has no function that could touch the state, so nothing is lost; a
// module that must save even when none of its functions ran registers in a file linked for another reason.
struct ModuleRegistration {
    explicit ModuleRegistration(Module module);
};

} // namespace sim
