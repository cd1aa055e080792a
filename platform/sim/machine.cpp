// The simulated machine's core: loading a description, the root folder, the journal, the debugger
// log, faults and the small helpers that every service module shares.
#include "platform/sim/machine.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

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

std::vector<std::unique_ptr<void, FreeBlock>>& LocalBlocks() {
    static std::vector<std::unique_ptr<void, FreeBlock>> blocks;
    return blocks;
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

// The entry of folder whose name equals name ignoring ASCII case, or name itself when there is none.
// Read with readdir: a search through a large folder compares names in place, without a path object
// for every entry.
std::filesystem::path FindEntry(const std::filesystem::path& folder, const std::string& name) {
    std::error_code ec;
    if (std::filesystem::exists(folder / name, ec)) {
        return folder / name;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (dir == nullptr) {
        return folder / name;
    }
    while (const dirent* entry = readdir(dir.get())) {
        if (EqualNoCase(entry->d_name, name)) {
            return folder / entry->d_name;
        }
    }
    return folder / name;
}

void AppendLine(const std::filesystem::path& file, std::string_view line) {
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    out.put('\n');
}

void StartFile(const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
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
    StartFile(root / "debugger.log");
    StartFile(root / "journal.jsonl");
    CurrentMachine() = Machine{root, std::move(desc), std::move(args)};
    LocalBlocks().clear();
    platform::SetLastError(platform::ERROR_SUCCESS);
    for (const Module& module : Modules()) {
        module.reset();
    }
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

std::filesystem::path HostPath(std::u16string_view windowsPath) {
    std::u16string_view rest = windowsPath;
    char16_t drive = u'C';
    if (rest.size() >= 2 && rest[1] == u':' &&
        ((rest[0] >= u'A' && rest[0] <= u'Z') || (rest[0] >= u'a' && rest[0] <= u'z'))) {
        drive = rest[0] >= u'a' ? static_cast<char16_t>(rest[0] - u'a' + u'A') : rest[0];
        rest.remove_prefix(2);
        if (rest.empty() || !IsSeparator(rest[0])) {
            return {}; // "C:name" is relative to the drive's current folder, which the machine has none of
        }
    } else if (rest.empty() || !IsSeparator(rest[0]) || (rest.size() >= 2 && IsSeparator(rest[1]))) {
        return {}; // relative, or a UNC or device path
    }
    std::filesystem::path host = FindEntry(Current().root, std::string(1, static_cast<char>(drive)));
    const std::filesystem::path driveRoot = host;
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
        if (component.empty() || component == u".") {
            continue;
        }
        if (component == u"..") {
            if (host != driveRoot) {
                host = host.parent_path();
            }
            continue;
        }
        host = FindEntry(host, ToUtf8(component));
    }
    return host;
}

void Journal(std::string_view call, Json fields) {
    nlohmann::ordered_json record;
    record["call"] = call;
    for (const auto& [key, value] : fields.items()) {
        record[key] = value;
    }
    AppendLine(Current().root / "journal.jsonl", record.dump(-1, ' ', false, Json::error_handler_t::replace));
}

void DebugLog(std::string_view utf8Text) {
    AppendLine(Current().root / "debugger.log", utf8Text);
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

std::u16string AnsiToUtf16(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), 0x7FFFFFFF));
    const int needed = platform::MultiByteToWideChar(platform::CP_ACP, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::u16string wide(static_cast<std::size_t>(needed), u'\0');
    const int written =
        platform::MultiByteToWideChar(platform::CP_ACP, 0, text.data(), length, wide.data(), needed);
    wide.resize(static_cast<std::size_t>(std::max(written, 0)));
    return wide;
}

std::string Hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = FoldAscii(c);
    return (lower >= 'a' && lower <= 'f') ? lower - 'a' + 10 : -1;
}

} // namespace

bool IsHex(std::string_view text) {
    return text.size() % 2 == 0 &&
           std::all_of(text.begin(), text.end(), [](char c) { return HexValue(c) >= 0; });
}

std::vector<uint8_t> FromHex(std::string_view text) {
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        const int high = HexValue(text[i]);
        const int low = HexValue(text[i + 1]);
        if (high < 0 || low < 0) {
            break;
        }
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return bytes;
}

std::string ToHex(const void* data, std::size_t size) {
    constexpr char digits[] = "0123456789ABCDEF";
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::string text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

void* LocalAllocate(std::size_t bytes) {
    void* memory = std::calloc(std::max<std::size_t>(bytes, 1), 1);
    if (memory != nullptr) {
        LocalBlocks().emplace_back(memory);
    }
    return memory;
}

bool LocalRelease(void* memory) {
    auto& blocks = LocalBlocks();
    const auto it =
        std::find_if(blocks.begin(), blocks.end(), [&](const auto& block) { return block.get() == memory; });
    if (memory == nullptr || it == blocks.end()) {
        return false;
    }
    blocks.erase(it);
    return true;
}

} // namespace sim
