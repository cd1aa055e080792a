// The simulated machine's core: loading a description, the root folder, the journal, the debugger
// log, faults and the small helpers that every service module shares.
#include "platform/sim/machine.h"

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <unordered_map>

#include "platform/code_page.h"
#include "platform/text.h"

namespace sim {

namespace {

std::optional<Machine>& CurrentMachine() {
    static std::optional<Machine> machine;
    return machine;
}

std::vector<Module>& Modules() {
    static std::vector<Module> modules;
    return modules;
}

struct FreeBlock {
    void operator()(void* memory) const { std::free(memory); }
};

HandleTable<void, FreeBlock>& LocalBlocks() {
    static HandleTable<void, FreeBlock> blocks;
    return blocks;
}

// The names of one host folder by their ASCII upper-case form, so that a case-insensitive look-up costs
// the same in a folder of ten thousand files as in an empty one. An index is read from the host once and
// then kept current by the sim's own writes (NoteCreated); it is read again when the folder's
// modification time shows a change from outside the sim. A change made in the same tick of the file
// system's clock as the reading cannot be told apart, so an index read from a folder changed within the
// last second is used for one look-up only.
struct FolderIndex {
    std::unordered_map<std::string, std::string> names;
    std::filesystem::file_time_type modified;
    bool settled = false;
};

constexpr auto kSettleTime = std::chrono::seconds(1);

std::unordered_map<std::string, FolderIndex>& FolderIndexes() {
    static std::unordered_map<std::string, FolderIndex> indexes;
    return indexes;
}

std::string FoldName(std::string_view name) {
    return UpperAsciiText(std::string(name));
}

bool Settled(std::filesystem::file_time_type modified) {
    return std::filesystem::file_time_type::clock::now() - modified > kSettleTime;
}

// The index of folder, read again when the folder changed since; null when the folder cannot be read.
const FolderIndex* IndexOf(const std::filesystem::path& folder) {
    std::error_code ec;
    const auto modified = std::filesystem::last_write_time(folder, ec);
    if (ec) {
        return nullptr;
    }
    FolderIndex& index = FolderIndexes()[folder.native()];
    if (index.settled && index.modified == modified) {
        return &index;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (dir == nullptr) {
        return nullptr;
    }
    index.names.clear();
    while (const dirent* entry = readdir(dir.get())) {
        // Where names differ only in case, the first listed wins, as a scan of the folder would find it.
        index.names.emplace(FoldName(entry->d_name), entry->d_name);
    }
    index.modified = modified;
    index.settled = Settled(modified);
    return &index;
}

// The entry of folder whose name equals name ignoring ASCII case, or name itself when there is none.
std::filesystem::path FindEntry(const std::filesystem::path& folder, const std::string& name) {
    std::error_code ec;
    if (std::filesystem::exists(folder / name, ec)) {
        return folder / name;
    }
    const FolderIndex* index = IndexOf(folder);
    if (index == nullptr) {
        return folder / name;
    }
    const auto found = index->names.find(FoldName(name));
    return folder / (found == index->names.end() ? name : found->second);
}

// The host folders of Windows folders found so far, by the folder's upper-case path. A folder found once
// is taken again while it still exists, so that the many files of one folder cost one look-up of that
// folder each, not one per component of its path.
std::unordered_map<std::u16string, std::filesystem::path>& KnownFolders() {
    static std::unordered_map<std::u16string, std::filesystem::path> folders;
    return folders;
}

std::filesystem::path HostFolder(char16_t drive, const std::vector<std::u16string_view>& components) {
    std::u16string key(1, drive);
    for (const std::u16string_view component : components) {
        key += u'\\';
        std::transform(component.begin(), component.end(), std::back_inserter(key), UpperAscii<char16_t>);
    }
    auto& known = KnownFolders();
    const auto found = known.find(key);
    std::error_code ec;
    if (found != known.end() && std::filesystem::is_directory(found->second, ec)) {
        return found->second;
    }
    std::filesystem::path host = FindEntry(Current().root, std::string(1, static_cast<char>(drive)));
    for (const std::u16string_view component : components) {
        host = FindEntry(host, ToUtf8(component));
    }
    if (std::filesystem::is_directory(host, ec)) {
        known[key] = host;
    }
    return host;
}

// The length of the full path that Windows makes of a path on a drive: drive, then each component after
// one separator ("." dropped, ".." taking the previous one away), with a trailing separator kept.
std::size_t FullPathLength(const std::vector<std::u16string_view>& components, bool trailingSeparator) {
    std::size_t length = 2; // "C:"
    for (const std::u16string_view component : components) {
        length += 1 + component.size();
    }
    return components.empty() || trailingSeparator ? length + 1 : length;
}

// journal.jsonl and debugger.log stay open for the run: a run with thousands of calls or trace lines
// would otherwise open them for each. Every line is flushed as it is written, so the files are whole
// at any moment.
std::ofstream& JournalFile() {
    static std::ofstream file;
    return file;
}

std::ofstream& DebugLogFile() {
    static std::ofstream file;
    return file;
}

void StartFile(std::ofstream& file, const std::filesystem::path& path) {
    file.close();
    file.clear();
    file.open(path, std::ios::binary | std::ios::trunc);
}

void WriteLine(std::ofstream& file, std::string_view line) {
    file.write(line.data(), static_cast<std::streamsize>(line.size()));
    file.put('\n');
    file.flush();
}

// A description larger than this is refused unread: a capture of a real machine is a few kilobytes.
constexpr std::size_t kMaxDescriptionBytes = 64 * 1024 * 1024;
// Brackets nested deeper than this are refused before parsing: a description nests about eight levels,
// and a parse, copy or destruction of a much deeper one recurses once per level.
constexpr std::size_t kMaxNesting = 64;

// Where a byte of the text lies, for a message that names it.
std::string Place(std::string_view text, std::size_t offset) {
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(offset - lineStart + 1) + " (byte " +
           std::to_string(offset) + ")";
}

// Length of the well-formed UTF-8 sequence at text[i], or 0: no overlong forms, no surrogates, nothing
// above U+10FFFF.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

// Refuses text that is not UTF-8, or whose brackets (outside strings) nest too deep, naming the place.
void CheckText(std::string_view text, const std::string& origin) {
    std::size_t depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8Length(text, i);
        if (length == 0) {
            throw MachineError("the machine description " + origin + " is not valid UTF-8 at " +
                               Place(text, i));
        }
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                // The escaped character is checked as UTF-8 on its own.
                i += i + 1 < text.size() && Utf8Length(text, i + 1) == 1 ? std::size_t{2} : std::size_t{1};
                continue;
            }
            inString = c != '"';
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxNesting) {
                throw MachineError("the machine description " + origin + " nests deeper than " +
                                   std::to_string(kMaxNesting) + " levels at " + Place(text, i));
            }
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
        i += length;
    }
}

Json ReadDescription(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw MachineError("cannot read the machine description " + file.string());
    }
    // Read in pieces up to the limit, so that neither a huge file nor an endless one (a pipe, a device)
    // is taken in whole.
    std::string text;
    char piece[64 * 1024];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        text.append(piece, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxDescriptionBytes) {
            throw MachineError("the machine description " + file.string() + " is larger than " +
                               std::to_string(kMaxDescriptionBytes / (1024 * 1024)) + " MiB");
        }
    }
    if (in.bad()) {
        throw MachineError("cannot read the machine description " + file.string());
    }
    return ParseDescription(text, file.string());
}

// Everything a run changes besides the machine and its two open files: memory handed out and the folder
// indexes are released, and every module's state is reset as a newly loaded machine starts it.
void ResetState() {
    LocalBlocks().Clear();
    FolderIndexes().clear();
    KnownFolders().clear();
    platform::SetLastError(platform::ERROR_SUCCESS);
    for (const Module& module : Modules()) {
        module.reset();
    }
}

} // namespace

Json ParseDescription(std::string_view text, const std::string& origin) {
    CheckText(text, origin);
    try {
        return Json::parse(text);
    } catch (const Json::exception& e) {
        // Not only syntax errors: a number too large for a double (1e999) is refused as well.
        throw MachineError("the machine description " + origin + " is not valid JSON: " + e.what());
    }
}

void RegisterModule(Module module) {
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
    StartFile(DebugLogFile(), root / "debugger.log");
    StartFile(JournalFile(), root / "journal.jsonl");
    CurrentMachine() = Machine{root, std::move(desc), std::move(args)};
    ResetState();
}

void Unload() {
    if (!CurrentMachine()) {
        return;
    }
    ResetState();
    DebugLogFile().close();
    JournalFile().close();
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

const Machine& Current() {
    const auto& machine = CurrentMachine();
    if (!machine) {
        throw std::logic_error("no simulated machine is loaded");
    }
    return *machine;
}

void Finish() {
    for (const Module& module : Modules()) {
        if (module.save != nullptr) {
            module.save();
        }
    }
}

std::filesystem::path HostPath(std::u16string_view windowsPath, PathFault* fault) {
    PathFault ignored = PathFault::None;
    PathFault& result = fault != nullptr ? *fault : ignored;
    result = PathFault::NotOnDrive;
    std::u16string_view rest = windowsPath;
    char16_t drive = u'C';
    if (rest.size() >= 2 && rest[1] == u':' &&
        ((rest[0] >= u'A' && rest[0] <= u'Z') || (rest[0] >= u'a' && rest[0] <= u'z'))) {
        drive = UpperAscii(rest[0]);
        rest.remove_prefix(2);
        if (rest.empty() || !IsSeparator(rest[0])) {
            return {}; // "C:name" is relative to the drive's current folder, which the machine has none of
        }
    } else if (rest.empty() || !IsSeparator(rest[0]) || (rest.size() >= 2 && IsSeparator(rest[1]))) {
        return {}; // relative, or a UNC or device path
    }
    const bool trailingSeparator = IsSeparator(rest.back());
    std::vector<std::u16string_view> components;
    while (!rest.empty()) {
        while (!rest.empty() && IsSeparator(rest[0])) {
            rest.remove_prefix(1);
        }
        std::size_t length = 0;
        while (length < rest.size() && !IsSeparator(rest[length])) {
            ++length;
        }
        const std::u16string_view component = rest.substr(0, length);
        rest.remove_prefix(length);
        if (component == u"..") {
            if (!components.empty()) {
                components.pop_back();
            }
        } else if (!component.empty() && component != u".") {
            components.push_back(component);
        }
    }
    if (FullPathLength(components, trailingSeparator) >= kMaxPath) {
        result = PathFault::TooLong;
        return {};
    }
    result = PathFault::None;
    if (components.empty()) {
        return FindEntry(Current().root, std::string(1, static_cast<char>(drive)));
    }
    const std::u16string_view name = components.back();
    components.pop_back();
    return FindEntry(HostFolder(drive, components), ToUtf8(name));
}

void NoteCreated(const std::filesystem::path& host) {
    auto& indexes = FolderIndexes();
    std::error_code ec;
    if (std::filesystem::is_directory(host, ec)) {
        // A folder the sim has just made is empty: its index needs no reading.
        const auto modified = std::filesystem::last_write_time(host, ec);
        if (!ec) {
            indexes[host.native()] = FolderIndex{{}, modified, true};
        }
    }
    const auto found = indexes.find(host.parent_path().native());
    if (found == indexes.end()) {
        return;
    }
    const auto modified = std::filesystem::last_write_time(host.parent_path(), ec);
    if (ec) {
        indexes.erase(found);
        return;
    }
    const std::string name = host.filename().string();
    found->second.names.emplace(FoldName(name), name);
    found->second.modified = modified;
}

void Journal(std::string_view call, Json fields) {
    nlohmann::ordered_json record;
    record["call"] = call;
    for (const auto& [key, value] : fields.items()) {
        record[key] = value;
    }
    WriteLine(JournalFile(), record.dump(-1, ' ', false, Json::error_handler_t::replace));
}

void DebugLog(std::string_view utf8Text) {
    WriteLine(DebugLogFile(), utf8Text);
}

const Json* FindFault(std::string_view call, const Json& fields) {
    for (const Json& fault : Current().desc["faults"]) {
        if (fault.value("call", "") != call) {
            continue;
        }
        bool fits = true;
        for (const auto& [key, wanted] : fault.items()) {
            if (key == "call" || key == "result") {
                continue;
            }
            const auto given = fields.find(key);
            if (given == fields.end()) {
                fits = false;
            } else if (wanted.is_string() && given->is_string()) {
                fits =
                    EqualNoCase(wanted.get_ref<const std::string&>(), given->get_ref<const std::string&>());
            } else {
                fits = wanted == *given;
            }
            if (!fits) {
                break;
            }
        }
        if (fits) {
            return &fault;
        }
    }
    return nullptr;
}

bool HasFault(std::string_view call) {
    const Json& faults = Current().desc["faults"];
    return std::any_of(faults.begin(), faults.end(),
                       [&](const Json& fault) { return fault.value("call", "") == call; });
}

uint32_t FaultCode(const Json& fault, uint32_t fallback) {
    const auto result = fault.find("result");
    if (result == fault.end()) {
        return fallback;
    }
    if (result->is_number_unsigned()) {
        return static_cast<uint32_t>(result->get<uint64_t>());
    }
    if (result->is_number_integer()) {
        return static_cast<uint32_t>(result->get<int64_t>());
    }
    if (result->is_string()) {
        const std::string& text = result->get_ref<const std::string&>();
        char* end = nullptr;
        const long long value = std::strtoll(text.c_str(), &end, 0);
        if (!text.empty() && end != nullptr && *end == '\0') {
            return static_cast<uint32_t>(value);
        }
    }
    return fallback;
}

std::string ToUtf8(std::u16string_view text) {
    return platform::Utf16ToUtf8(text);
}

std::u16string ToUtf16(std::string_view text) {
    return platform::Utf8ToUtf16(text);
}

Json JsonText(const char16_t* text) {
    return text != nullptr ? Json(ToUtf8(text)) : Json();
}

void* LocalAllocate(std::size_t bytes) {
    void* memory = std::calloc(std::max<std::size_t>(bytes, 1), 1);
    return memory != nullptr ? LocalBlocks().Add(std::unique_ptr<void, FreeBlock>(memory)) : nullptr;
}

bool LocalRelease(void* memory) {
    return LocalBlocks().Close(memory);
}

} // namespace sim
