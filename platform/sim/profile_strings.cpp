// Profile-string (INI) files on the machine's drives.
//
// A file is handled in its own units: the bytes of the machine's ANSI code page, or UTF-16LE units when
// it starts with the UTF-16LE byte-order mark. Lines are parsed into spans of those units, and a write
// splices new units into the original text, so that every byte outside the changed value, key line or
// section stays as it was, line ends included.
#include "platform/profile_strings.h"

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/code_page.h"
#include "platform/sim/machine.h"
#include "platform/sim/profile_text.h"

namespace platform {

namespace {

constexpr std::size_t kNone = std::string::npos;

// A relative file name lies in the Windows folder, as Windows places it.
constexpr std::u16string_view kWindowsFolder = u"C:\\Windows\\";

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

// Upper case for the letters of ASCII, Latin-1, basic Greek and basic Cyrillic.
char16_t Fold(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
        (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) || (c >= 0x430 && c <= 0x44F)) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c >= 0x450 && c <= 0x45F) {
        return static_cast<char16_t>(c - 0x50);
    }
    return c == 0xFF ? char16_t{0x178} : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i])) {
            return false;
        }
    }
    return true;
}

// The range [first, last) of units between begin and end without the blanks around them.
template <typename Unit>
std::pair<std::size_t, std::size_t> Trim(std::basic_string_view<Unit> text, std::size_t begin,
                                         std::size_t end) {
    while (begin < end && IsBlank(static_cast<char16_t>(text[begin]))) {
        ++begin;
    }
    while (end > begin && IsBlank(static_cast<char16_t>(text[end - 1]))) {
        --end;
    }
    return {begin, end};
}

std::u16string Trimmed(std::u16string_view text) {
    const auto [first, last] = Trim(text, 0, text.size());
    return std::u16string(text.substr(first, last - first));
}

// Units of a file to UTF-16 and back: bytes in the machine's ANSI code page, or UTF-16 units as they are.
std::u16string Decode(std::string_view units) {
    return sim::AnsiToUtf16(units);
}
std::u16string Decode(std::u16string_view units) {
    return std::u16string(units);
}

void Append(std::string& text, std::u16string_view addition) {
    if (addition.empty() || addition.size() > static_cast<std::size_t>(INT_MAX)) {
        return;
    }
    const int length = static_cast<int>(addition.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, addition.data(), length, nullptr, 0, nullptr, nullptr);
    const std::size_t at = text.size();
    text.resize(at + static_cast<std::size_t>(needed));
    WideCharToMultiByte(CP_ACP, 0, addition.data(), length, text.data() + at, needed, nullptr, nullptr);
}

void Append(std::u16string& text, std::u16string_view addition) {
    text.append(addition);
}

template <typename Unit> std::basic_string<Unit> Encode(std::u16string_view text) {
    std::basic_string<Unit> out;
    Append(out, text);
    return out;
}

enum class Kind { kBlank, kOther, kSection, kKey };

// One line of the file, as positions in its units.
struct Line {
    Kind kind = Kind::kOther;
    std::size_t begin = 0;
    std::size_t contentEnd = 0; // before the line end ("\r\n" or "\n")
    std::size_t end = 0;        // after the line end
    std::u16string name;        // of a section or key, without blanks around it
    std::size_t valueBegin = 0; // of a key's value, without blanks around it
    std::size_t valueEnd = 0;

    bool Terminated() const { return end != contentEnd; }
};

// A section header is "[name]" (up to its last "]"); a key line is "name=value"; lines that start with
// ";" are comments. Anything else is kept but has no meaning.
template <typename Unit> void Classify(std::basic_string_view<Unit> text, Line& line) {
    const auto [first, last] = Trim(text, line.begin, line.contentEnd);
    if (first == last) {
        line.kind = Kind::kBlank;
        return;
    }
    // Searches stay within the line, so that a file of long lines is still parsed in linear time.
    const std::basic_string_view<Unit> content = text.substr(first, last - first);
    if (content.front() == Unit('[')) {
        const std::size_t close = content.rfind(Unit(']'));
        if (close != kNone && close > 0) {
            const auto [nameBegin, nameEnd] = Trim(text, first + 1, first + close);
            line.kind = Kind::kSection;
            line.name = Decode(text.substr(nameBegin, nameEnd - nameBegin));
        }
        return;
    }
    const std::size_t offset = content.find(Unit('='));
    if (content.front() == Unit(';') || offset == kNone) {
        return;
    }
    const std::size_t equals = first + offset;
    const auto [nameBegin, nameEnd] = Trim(text, first, equals);
    const auto [valueBegin, valueEnd] = Trim(text, equals + 1, last);
    line.kind = Kind::kKey;
    line.name = Decode(text.substr(nameBegin, nameEnd - nameBegin));
    line.valueBegin = valueBegin;
    line.valueEnd = valueEnd;
}

template <typename Unit> std::vector<Line> Parse(std::basic_string_view<Unit> text) {
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t newline = text.find(Unit('\n'), begin);
        Line line;
        line.begin = begin;
        if (newline == kNone) {
            line.contentEnd = line.end = text.size();
        } else {
            line.end = newline + 1;
            line.contentEnd = newline > begin && text[newline - 1] == Unit('\r') ? newline - 1 : newline;
        }
        Classify(text, line);
        begin = line.end;
        lines.push_back(std::move(line));
    }
    return lines;
}

// Index of the first header of the section named name at or after from; kNone when there is none.
std::size_t FindSection(const std::vector<Line>& lines, std::u16string_view name, std::size_t from) {
    for (std::size_t i = from; i < lines.size(); ++i) {
        if (lines[i].kind == Kind::kSection && SameName(lines[i].name, name)) {
            return i;
        }
    }
    return kNone;
}

// Index of the line after the section whose header is at index header.
std::size_t SectionEnd(const std::vector<Line>& lines, std::size_t header) {
    std::size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != Kind::kSection) {
        ++i;
    }
    return i;
}

std::size_t FindKey(const std::vector<Line>& lines, std::size_t header, std::u16string_view key) {
    const std::size_t end = SectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines[i].kind == Kind::kKey && SameName(lines[i].name, key)) {
            return i;
        }
    }
    return kNone;
}

// A value in single or double quotes is read without them, as Windows reads it.
std::u16string Unquoted(std::u16string text) {
    if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') && text.back() == text.front()) {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

// Only the first section of a name is searched, as Windows searches it.
template <typename Unit>
std::optional<std::u16string> FindValue(std::basic_string_view<Unit> text, std::u16string_view section,
                                        std::u16string_view key) {
    const std::vector<Line> lines = Parse(text);
    const std::size_t header = FindSection(lines, section, 0);
    const std::size_t found = header == kNone ? kNone : FindKey(lines, header, key);
    if (found == kNone) {
        return std::nullopt;
    }
    const Line& line = lines[found];
    return Unquoted(Decode(text.substr(line.valueBegin, line.valueEnd - line.valueBegin)));
}

// Adds a line after the given one; a last line without a line end gets one first.
template <typename Unit>
void InsertAfter(std::basic_string<Unit>& text, const Line* previous, std::u16string_view newLine) {
    std::u16string insertion = previous != nullptr && !previous->Terminated() ? u"\r\n" : u"";
    insertion.append(newLine).append(u"\r\n");
    text.insert(previous != nullptr ? previous->end : 0, Encode<Unit>(insertion));
}

// Removes every section of the name with all its lines.
template <typename Unit>
void DeleteSections(std::basic_string<Unit>& text, const std::vector<Line>& lines,
                    std::u16string_view section) {
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (std::size_t h = FindSection(lines, section, 0); h != kNone; h = FindSection(lines, section, h + 1)) {
        const std::size_t after = SectionEnd(lines, h);
        spans.emplace_back(lines[h].begin, after < lines.size() ? lines[after].begin : text.size());
    }
    for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
        text.erase(span->first, span->second - span->first);
    }
}

// The change of one write: a null key deletes the section, a null value deletes the key; otherwise the
// value of the first matching key in the first matching section is replaced, or the key is added after
// the section's last line that is not blank, or the section and the key are added at the end.
template <typename Unit>
void Edit(std::basic_string<Unit>& text, std::u16string_view section, const char16_t* key,
          const char16_t* value) {
    const std::vector<Line> lines = Parse(std::basic_string_view<Unit>(text));
    if (key == nullptr) {
        DeleteSections(text, lines, section);
        return;
    }
    const std::u16string keyName = Trimmed(key);
    const std::size_t header = FindSection(lines, section, 0);
    if (header == kNone) {
        if (value != nullptr) {
            const Line* last = lines.empty() ? nullptr : &lines.back();
            InsertAfter(text, last, u"[" + std::u16string(section) + u"]\r\n" + keyName + u"=" + value);
        }
        return;
    }
    const std::size_t found = FindKey(lines, header, keyName);
    if (value == nullptr) {
        if (found != kNone) {
            text.erase(lines[found].begin, lines[found].end - lines[found].begin);
        }
        return;
    }
    if (found != kNone) {
        const Line& line = lines[found];
        text.replace(line.valueBegin, line.valueEnd - line.valueBegin, Encode<Unit>(value));
        return;
    }
    std::size_t last = header;
    const std::size_t end = SectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        last = lines[i].kind == Kind::kBlank ? last : i;
    }
    InsertAfter(text, &lines[last], keyName + u"=" + value);
}

bool IsUtf16(const std::string& bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xFE;
}

// A UTF-16LE file's units after the byte-order mark; an odd last byte is kept as it is.
struct Utf16File {
    std::u16string units;
    std::string oddByte;
};

Utf16File SplitUtf16(const std::string& bytes) {
    Utf16File file;
    std::size_t i = 2;
    for (; i + 1 < bytes.size(); i += 2) {
        const auto low = static_cast<unsigned char>(bytes[i]);
        const auto high = static_cast<unsigned char>(bytes[i + 1]);
        file.units.push_back(static_cast<char16_t>(low | (high << 8)));
    }
    file.oddByte = bytes.substr(i);
    return file;
}

std::string JoinUtf16(const Utf16File& file) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : file.units) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes + file.oddByte;
}

std::filesystem::path HostFile(const char16_t* fileName) {
    std::u16string path(fileName);
    const bool hasDrive = path.size() >= 2 && path[1] == u':';
    const bool rooted = !path.empty() && (path[0] == u'\\' || path[0] == u'/');
    if (!hasDrive && !rooted) {
        path.insert(0, kWindowsFolder);
    }
    return sim::HostPath(path);
}

bool ReadWhole(const std::filesystem::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// An existing file is overwritten in place and then cut to its new length: emptying it first would make
// some Linux file systems flush it to disk when it is closed, which makes every write slow.
bool WriteWhole(const std::filesystem::path& path, const std::string& bytes, bool exists) {
    std::fstream out(path, exists ? std::ios::binary | std::ios::in | std::ios::out
                                  : std::ios::binary | std::ios::out);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (out.fail()) {
        return false;
    }
    std::error_code error;
    std::filesystem::resize_file(path, bytes.size(), error);
    return !error;
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return kFalse;
}

BOOL WriteProfileString(const char16_t* section, const char16_t* key, const char16_t* value,
                        const char16_t* fileName) {
    if (section == nullptr || fileName == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const std::filesystem::path host = HostFile(fileName);
    if (host.empty()) {
        return Fail(ERROR_PATH_NOT_FOUND);
    }
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(host, error);
    if (std::filesystem::is_directory(status)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    std::string bytes;
    const bool exists = std::filesystem::exists(status);
    if (exists) {
        if (!ReadWhole(host, bytes)) {
            return Fail(ERROR_ACCESS_DENIED);
        }
    } else if (!std::filesystem::is_directory(host.parent_path(), error)) {
        return Fail(ERROR_PATH_NOT_FOUND);
    }
    const std::string updated = sim::ProfileWrite(bytes, section, key, value);
    if (updated != bytes && !WriteWhole(host, updated, exists)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    return kTrue;
}

UINT ParseInteger(std::u16string_view text, UINT fallback) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    const auto digit = [](char16_t c, UINT base) -> std::optional<UINT> {
        if (c >= u'0' && c <= u'9') {
            return static_cast<UINT>(c - u'0');
        }
        const auto folded = static_cast<char16_t>(c | 0x20);
        if (base == 16 && folded >= u'a' && folded <= u'f') {
            return static_cast<UINT>(folded - u'a' + 10);
        }
        return std::nullopt;
    };
    UINT base = 10;
    if (i + 2 < text.size() && text[i] == u'0' && (text[i + 1] | 0x20) == u'x' && digit(text[i + 2], 16)) {
        base = 16;
        i += 2;
    }
    UINT result = 0;
    bool any = false;
    for (; i < text.size(); ++i) {
        const std::optional<UINT> d = digit(text[i], base);
        if (!d) {
            break;
        }
        result = result * base + *d;
        any = true;
    }
    if (!any) {
        return fallback;
    }
    return negative ? 0u - result : result;
}

} // namespace

} // namespace platform

namespace sim {

platform::UINT ProfileInt(const std::string& bytes, const char16_t* section, const char16_t* key,
                          platform::UINT fallback) {
    using namespace platform;
    const std::u16string sectionName = Trimmed(section);
    const std::u16string keyName = Trimmed(key);
    const std::optional<std::u16string> value =
        IsUtf16(bytes) ? FindValue(std::u16string_view(SplitUtf16(bytes).units), sectionName, keyName)
                       : FindValue(std::string_view(bytes), sectionName, keyName);
    return value ? ParseInteger(*value, fallback) : fallback;
}

std::string ProfileWrite(const std::string& bytes, const char16_t* section, const char16_t* key,
                         const char16_t* value) {
    using namespace platform;
    const std::u16string sectionName = Trimmed(section);
    if (IsUtf16(bytes)) {
        Utf16File file = SplitUtf16(bytes);
        Edit(file.units, sectionName, key, value);
        return JoinUtf16(file);
    }
    std::string updated = bytes;
    Edit(updated, sectionName, key, value);
    return updated;
}

} // namespace sim

namespace platform {

UINT GetPrivateProfileIntW(const char16_t* section, const char16_t* key, int defaultValue,
                           const char16_t* fileName) {
    const auto fallback = static_cast<UINT>(defaultValue);
    if (section == nullptr || key == nullptr || fileName == nullptr) {
        return fallback;
    }
    const std::filesystem::path host = HostFile(fileName);
    std::error_code error;
    std::string bytes;
    if (host.empty() || !std::filesystem::is_regular_file(host, error) || !ReadWhole(host, bytes)) {
        return fallback;
    }
    return sim::ProfileInt(bytes, section, key, fallback);
}

BOOL WritePrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* value,
                                const char16_t* fileName) {
    const BOOL result = WriteProfileString(section, key, value, fileName);
    const DWORD error = GetLastError();
    sim::Journal("WritePrivateProfileStringW", {{"file", sim::JsonText(fileName)},
                                                {"section", sim::JsonText(section)},
                                                {"key", sim::JsonText(key)},
                                                {"value", sim::JsonText(value)},
                                                {"result", result}});
    SetLastError(error);
    return result;
}

} // namespace platform
