// Library loading, function lookup, the system directory and the program's path on the simulated
// machine. The system libraries are those of the export table; a library loads only from the system
// directory, or by a bare name from the program's folder first, as the system's search order has it;
// once the process has restricted its default search to the system directory, a bare name loads only
// from there.
#include "platform/library.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/description.h"
#include "platform/sim/exports.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/machine.h"
#include "platform/sim/records.h"
#include "platform/text.h"

namespace platform {

// A loaded library: its full path and file name; a library planted beside the program exports nothing.
struct ModuleTag {
    std::u16string path;
    std::u16string fileName;
    bool planted;
};

} // namespace platform

namespace sim {

namespace {

using platform::DWORD;
using platform::HMODULE;

std::vector<std::unique_ptr<platform::ModuleTag>>& Loaded() {
    static std::vector<std::unique_ptr<platform::ModuleTag>> modules;
    return modules;
}

// The default search directories set by SetDefaultDllDirectories; 0 while the standard order applies.
DWORD& DefaultDirectories() {
    static DWORD flags = 0;
    return flags;
}

constexpr DWORD kSearchApplicationDir = 0x200;
constexpr DWORD kSearchUserDirs = 0x400;
constexpr DWORD kSearchDefaultDirs = 0x1000;

void ResetLibraries() {
    Loaded().clear();
    DefaultDirectories() = 0;
}

// Whether a bare name may be found in the program's folder.
bool SearchesProgramFolder() {
    const DWORD flags = DefaultDirectories();
    return flags == 0 || (flags & (kSearchApplicationDir | kSearchDefaultDirs)) != 0;
}

bool IsLoaded(HMODULE module) {
    const auto& loaded = Loaded();
    return std::any_of(loaded.begin(), loaded.end(), [&](const auto& m) { return m.get() == module; });
}

const sim::ModuleRegistration kModule{{&ResetLibraries, nullptr}};

// A described text, or null.
const Json& DescribedText(const char* key) {
    return Description()[key];
}

bool Listed(const char* key, std::u16string_view name) {
    const std::u16string wanted(name);
    const Json& list = Description()[key];
    return std::any_of(list.begin(), list.end(), [&](const Json& entry) {
        return platform::WEqualNoCase(platform::Utf8ToUtf16(entry.get<std::string>()).c_str(),
                                      wanted.c_str());
    });
}

// Both name one folder: their host paths are equal ignoring ASCII case (neither needs to exist).
bool SameFolder(std::u16string_view a, std::u16string_view b) {
    const std::u16string hostA = HostPath(a).u16string();
    return !hostA.empty() && platform::WEqualNoCase(hostA.c_str(), HostPath(b).u16string().c_str());
}

HMODULE Remember(const std::u16string& path, const std::u16string& fileName, bool planted) {
    auto& loaded = Loaded();
    for (const auto& module : loaded) {
        if (platform::WEqualNoCase(module->path.c_str(), path.c_str())) {
            return module.get();
        }
    }
    loaded.push_back(std::make_unique<platform::ModuleTag>(platform::ModuleTag{path, fileName, planted}));
    return loaded.back().get();
}

// The module that a system directory file name stands for, or null.
HMODULE FromSystemDirectory(const std::u16string& fileName) {
    const Json& systemDirectory = DescribedText("systemDirectory");
    if (!systemDirectory.is_string() || !IsSystemLibrary(fileName) || Listed("missingLibraries", fileName)) {
        return nullptr;
    }
    std::u16string folder = platform::Utf8ToUtf16(systemDirectory.get<std::string>());
    if (!folder.empty() && !platform::IsPathSeparator(folder.back())) {
        folder += u'\\';
    }
    return Remember(folder + fileName, fileName, false);
}

HMODULE LoadModule(std::u16string path) {
    if (path.empty()) {
        return nullptr;
    }
    // A name without an extension means a ".dll" file.
    const std::size_t nameStart = platform::NameStart(path);
    if (path.find(u'.', nameStart) == std::u16string::npos) {
        path += u".dll";
    }
    const std::u16string fileName = path.substr(nameStart);
    const Json& systemDirectory = DescribedText("systemDirectory");
    if (nameStart > 0) {
        const std::u16string folder = path.substr(0, nameStart);
        const bool inSystem = systemDirectory.is_string() &&
                              SameFolder(folder, platform::Utf8ToUtf16(systemDirectory.get<std::string>()));
        return inSystem ? FromSystemDirectory(fileName) : nullptr;
    }
    // A bare name: the program's folder first, then the system directory.
    const Json& program = DescribedText("program");
    if (program.is_string() && SearchesProgramFolder()) {
        const std::u16string programPath = platform::Utf8ToUtf16(program.get<std::string>());
        const std::u16string candidate = programPath.substr(0, platform::NameStart(programPath)) + fileName;
        if (platform::NameStart(programPath) > 0 && std::filesystem::is_regular_file(HostPath(candidate))) {
            return Remember(candidate, fileName, true);
        }
    }
    return FromSystemDirectory(fileName);
}

} // namespace

} // namespace sim

namespace platform {

BOOL SetDefaultDllDirectories(DWORD directoryFlags) {
    constexpr DWORD kKnown = sim::kSearchApplicationDir | sim::kSearchUserDirs |
                             LOAD_LIBRARY_SEARCH_SYSTEM32 | sim::kSearchDefaultDirs;
    const bool valid = directoryFlags != 0 && (directoryFlags & ~kKnown) == 0;
    if (valid) {
        sim::DefaultDirectories() = directoryFlags;
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    sim::Journal("SetDefaultDllDirectories", {{"flags", directoryFlags}, {"result", valid ? 1 : 0}});
    return valid ? kTrue : kFalse;
}

UINT GetSystemDirectoryW(char16_t* buffer, UINT size) {
    const sim::Json& systemDirectory = sim::DescribedText("systemDirectory");
    if (!systemDirectory.is_string()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    const std::u16string folder = platform::Utf8ToUtf16(systemDirectory.get<std::string>());
    const auto length = static_cast<UINT>(folder.size());
    if (buffer == nullptr || size <= length) {
        return length + 1; // the size needed, terminator included
    }
    WCopy(buffer, size, folder.c_str());
    return length;
}

HMODULE LoadLibraryW(const char16_t* fileName) {
    const HMODULE module = fileName != nullptr ? sim::LoadModule(fileName) : nullptr;
    sim::Json record{{"path", sim::JsonText(fileName)}, {"result", module != nullptr ? 1 : 0}};
    if (module != nullptr && module->planted) {
        record["found"] = platform::Utf16ToUtf8(module->path);
    }
    sim::Journal("LoadLibraryW", std::move(record));
    if (module == nullptr) {
        SetLastError(fileName != nullptr ? ERROR_MOD_NOT_FOUND : ERROR_INVALID_PARAMETER);
    }
    return module;
}

FARPROC GetProcAddress(HMODULE module, const char* procName) {
    if (!sim::IsLoaded(module)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    FARPROC function = nullptr;
    if (procName != nullptr && !module->planted) {
        const sim::Json& missing = sim::Description()["missingFunctions"];
        const bool isMissing =
            std::find(missing.begin(), missing.end(), sim::Json(procName)) != missing.end();
        function = isMissing ? nullptr : sim::FindExport(module->fileName, procName);
    }
    if (function == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
    }
    return function;
}

DWORD GetModuleFileNameW(HMODULE module, char16_t* buffer, DWORD size) {
    std::u16string path;
    if (module != nullptr) {
        if (!sim::IsLoaded(module)) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        path = module->path;
    } else if (const sim::Json& program = sim::DescribedText("program"); program.is_string()) {
        path = platform::Utf8ToUtf16(program.get<std::string>());
    } else {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (buffer == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // A path that does not fit is cut to size - 1 characters and terminated; the result is then size.
    WCopy(buffer, size, path.c_str());
    if (path.size() >= size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    return static_cast<DWORD>(path.size());
}

} // namespace platform
