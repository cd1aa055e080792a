// The machine description: the JSON that says what a simulated machine has, read from a file, checked key
// by key and laid over the embedded default machine. Internal to the sim backend.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/sim/machine.h"

namespace sim {

// A machine description that cannot be used: bad JSON, an unknown key, a value of the wrong kind.
class MachineError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// For the checks of a description's parts: a MachineError naming a value by its JSON path
// ("files.C:\x.acl[0]"), and the paths of an object's member and an array's element.
[[noreturn]] void FailAt(const std::string& path, const std::string& what);
std::string MemberPath(const std::string& path, std::string_view key);
std::string ElementPath(const std::string& path, std::size_t index);

// The embedded default machine (a notebook that runs the whole job).
const Json& DefaultMachine();

// Throws MachineError naming the first unknown or ill-typed key of a description by its JSON path.
void Validate(const Json& description);

// The description that a machine description file's text holds (origin names the file in messages).
// Throws MachineError for text that is not UTF-8, nests too deep or is not JSON, naming the place.
Json ParseDescription(std::string_view text, const std::string& origin);

// The description in a file: read in pieces up to a limit, so that neither a huge file nor an endless one
// (a pipe, a device) is taken in whole; MachineError when it cannot be read or used.
Json ReadDescription(const std::filesystem::path& file);

} // namespace sim
