// The simulated machine: its root folder, its description and the records it leaves behind.
// Internal to the sim backend.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/sim/helpers.h"
#include "platform/types.h"

namespace sim {

using Json = nlohmann::json;

// A machine description that cannot be used: bad JSON, an unknown key, a value of the wrong kind.
class MachineError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Machine {
    std::filesystem::path root;
    // The embedded default machine with the given description's top-level keys laid over it.
    Json desc;
    // The process's own arguments (argv[1] on), for a description whose commandLine is null.
    std::vector<std::string> args;
};

// The embedded default machine (a notebook that runs the whole job).
const Json& DefaultMachine();

// Throws MachineError naming the first unknown or ill-typed key of a description.
void Validate(const Json& description);

// The description that a machine description file's text holds (origin names the file in messages).
// Throws MachineError for text that is not UTF-8, nests too deep or is not JSON, naming the place.
Json ParseDescription(std::string_view text, const std::string& origin);

// Loads the machine from TINTFOLD_ROOT and TINTFOLD_MACHINE; on a MachineError prints the message on
// standard error and ends the process with status 2 before anything is written to the root.
void LoadFromEnvironment(int argc, char** argv);

// Makes a machine current: validates the description (MachineError), lays it over the default,
// creates the root, starts debugger.log and journal.jsonl afresh and resets every module's state.
void Load(const std::filesystem::path& root, const Json& description, std::vector<std::string> args = {});

// The current machine. Loading one is required before any platform call.
const Machine& Current();

// Ends the run: writes the state that persists in the root (color-system.json).
void Finish();

// Leaves no machine loaded: resets every module's state as Load does, closes debugger.log and
// journal.jsonl and releases the machine, so that what a run built up does not stay in memory until the
// next Load. Platform calls need a Load again.
void Unload();

// Every sim module with state of its own registers its reset here (called by Load) and, where state
// persists in the root, its save (called by Finish; may be null). The registry is a function-local
// list, so registering works from a static initialiser as well as lazily, from the first call that
// touches the module's state; registering the same reset twice keeps one entry. A module whose object
// file the linker leaves out has no function that could be called, so its state cannot be seen; a
// module that must save even when none of its functions ran registers from a static initialiser in a
// file that is linked for another reason.
struct Module {
    void (*reset)();
    void (*save)();
};
void RegisterModule(Module module);

// MAX_PATH: a program without long-path awareness cannot use a full path of this many characters.
constexpr std::size_t kMaxPath = 260;

// Why a Windows path has no host path.
enum class PathFault {
    None,
    NotOnDrive, // relative ("x", "C:x"), UNC or device path
    TooLong,    // a full path of kMaxPath characters or more
};

// The host path of a Windows path on the machine's drives: "C:\a\b" is root/C/a/b; a path starting
// with a separator is on drive C:; "\" and "/" both separate; each existing component is found
// ignoring ASCII letter case, the others keep the case given. Empty for a path that names no drive or
// whose full path has kMaxPath characters or more, as Windows refuses such paths before they reach the
// file system; fault (when given) says which.
std::filesystem::path HostPath(std::u16string_view windowsPath, PathFault* fault = nullptr);

// Tells the name look-ups that the sim has just created host (a file or a folder), so that a folder
// the run writes into is never read again to find its new names.
void NoteCreated(const std::filesystem::path& host);

// Copies a regular host file over destination (created or replaced, with the source's permissions),
// keeping its holes: only the source's data ranges are read and written, so that a large sparse file
// copies in the time of its data. False when the source is not a regular file or a step fails.
bool CopyHostFile(const std::filesystem::path& source, const std::filesystem::path& destination);

// One journal.jsonl record: {"call": call, ...fields}.
void Journal(std::string_view call, Json fields);

// One line of debugger.log.
void DebugLog(std::string_view utf8Text);

// The first fault of the description for call whose match fields all equal those given (strings
// compare ignoring ASCII case; a match field the fault does not name matches anything; a field the
// fault names that is not given does not match). Null when none fits.
const Json* FindFault(std::string_view call, const Json& fields = Json::object());

// Whether the description has a fault for call at all: a cheap test before match fields are built.
bool HasFault(std::string_view call);

// A fault's "result" as an HRESULT or a Win32 error code: a number, or a string "0x..." or decimal.
uint32_t FaultCode(const Json& fault, uint32_t fallback);

// Host-side UTF-8 <-> the machine's UTF-16.
std::string ToUtf8(std::u16string_view text);
std::u16string ToUtf16(std::string_view text);
// A wide argument as a journal field: its UTF-8 text, or null for a null pointer.
Json JsonText(const char16_t* text);
// Narrow text in the machine's ANSI code page, or in the given one, -> UTF-16, through the code page service.
std::u16string AnsiToUtf16(std::string_view text);
std::u16string AnsiToUtf16(std::string_view text, platform::UINT codePage);

// Memory that the system hands out and LocalFree releases (argument arrays, message texts, session
// information). What is still allocated is released when the next machine is loaded.
void* LocalAllocate(std::size_t bytes);
// False for a pointer that did not come from LocalAllocate (or was released already).
bool LocalRelease(void* memory);

// True between a successful CoInitializeEx and the matching CoUninitialize.
bool ComInitialized();

} // namespace sim
