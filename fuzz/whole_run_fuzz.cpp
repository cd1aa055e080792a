// Fuzz target: the tool's whole run on a fuzzed machine, with a fuzzed per-user data file in the staging
// folder and a fuzzed profile beside the program (under the names the default machine's panel gives). The
// input is the machine description, the data file and the profile, separated by kSeparator. The run must end
// with 0 or -11 (or the description is refused, as the loader's exit status 2), write nothing outside the
// staging folder, the colour system and the machine's own records, and leave the profile beside the program
// as it was.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/run_context.h"
#include "app/run_sequence.h"
#include "fuzz/fuzz_machine.h"

namespace {

constexpr std::string_view kSeparator = "\n=====\n";
constexpr std::string_view kProgramFolder = "C/Program Files/NORVIK/Tintfold";
constexpr std::string_view kStagingFolder = "C/ProgramData/NORVIK/Quillory/NORVIKOptimization/Lumisse";
constexpr std::string_view kColorFolder = "C/Windows/System32/spool/drivers/color";
// The profile under the names that the default machine's panel gives: the one whose tags are exported,
// and the one installed and associated.
constexpr const char* kProfileNames[] = {"NX514_8086_AF0610EC.icm", "NX514_8086_AF0610EC_CMDEF.icm"};

// The next part of the input, up to the separator or the end.
std::string_view NextPart(std::string_view& rest) {
    const std::size_t end = rest.find(kSeparator);
    const std::string_view part = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + kSeparator.size());
    return part;
}

void WriteFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether inner is outer or a folder above it.
bool Within(std::string_view inner, std::string_view outer) {
    return inner.size() <= outer.size() && outer.substr(0, inner.size()) == inner &&
           (inner.size() == outer.size() || outer[inner.size()] == '/');
}

// Whether path is the folder, lies inside it, or is one of the folders on the way to it.
bool OnWayOrInside(std::string_view path, std::string_view folder) {
    return Within(path, folder) || Within(folder, path);
}

bool IsAllowed(const std::string& path) {
    return path == "debugger.log" || path == "journal.jsonl" || path == "color-system.json" ||
           path == "security.json" || OnWayOrInside(path, kStagingFolder) ||
           OnWayOrInside(path, kColorFolder) ||
           std::any_of(std::begin(kProfileNames), std::end(kProfileNames), [&](const char* name) {
               return OnWayOrInside(path, std::string(kProgramFolder) + "/" + name);
           });
}

// Checks that a folder of the machine's root (relative names it from the root, empty for the root itself)
// holds nothing but what a run may write, and empties it, innermost first. Plain directory reads: this
// runs for every input.
void CheckAndClear(const std::string& folder, const std::string& relative = {}) {
    std::vector<std::pair<std::string, bool>> entries;
    {
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
        if (dir == nullptr) {
            __builtin_trap();
        }
        while (const dirent* entry = readdir(dir.get())) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                struct stat status {};
                const bool isFolder =
                    entry->d_type == DT_UNKNOWN
                        ? lstat((folder + "/" + name).c_str(), &status) == 0 && S_ISDIR(status.st_mode)
                        : entry->d_type == DT_DIR;
                entries.emplace_back(name, isFolder);
            }
        }
    }
    for (const auto& [name, isFolder] : entries) {
        const std::string path = folder + "/" + name;
        const std::string entryRelative = relative.empty() ? name : relative + "/" + name;
        if (!IsAllowed(entryRelative)) {
            __builtin_trap();
        }
        if (isFolder) {
            CheckAndClear(path, entryRelative);
        }
        if ((isFolder ? rmdir(path.c_str()) : unlink(path.c_str())) != 0) {
            __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // A root left by an earlier process of the same number is removed once; each input leaves it empty.
    static const std::filesystem::path root = [] {
        std::filesystem::path folder = FuzzRoot("whole-run");
        std::filesystem::remove_all(folder);
        return folder;
    }();
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view descriptionText = NextPart(rest);
    const std::string_view dataFile = NextPart(rest);
    const std::string_view profile = rest;

    // Every input starts from the same root: the program's folder with the profile, the staging folder
    // with the data file of the default machine's console user, and nothing else.
    std::filesystem::create_directories(root / kProgramFolder);
    std::filesystem::create_directories(root / kStagingFolder);
    for (const char* name : kProfileNames) {
        WriteFile(root / kProgramFolder / name, profile);
    }
    WriteFile(root / kStagingFolder / "user_my_lu_data.sys", dataFile);

    try {
        sim::Load(root, sim::ParseDescription(descriptionText, "fuzz.json"));
    } catch (const sim::MachineError&) {
        sim::Unload();
        CheckAndClear(root.native());
        return 0; // the loader's exit status 2, with nothing changed
    }
    ResetRunContext();
    const int exitCode = RunSequence();
    ResetRunContext();
    sim::Finish();
    sim::Unload();
    if (exitCode != 0 && exitCode != -11) {
        __builtin_trap();
    }
    for (const char* name : kProfileNames) {
        if (ReadFile(root / kProgramFolder / name) != profile) {
            __builtin_trap();
        }
    }
    CheckAndClear(root.native());
    return 0;
}
