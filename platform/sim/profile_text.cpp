// The text engine of profile-string (INI) files (profile_text.h).
//
// A file is handled in its own units: the bytes of its ANSI code page, or UTF-16LE units when it starts
// with the UTF-16LE byte-order mark (a UTF-8 byte-order mark means nothing: its bytes are ANSI text, as
// Windows reads them). A line ends at CR LF, LF or a lone CR. Each call walks the file's lines once,
// keeping only the few lines it needs, and a write splices new units into the original text, so that
// every byte outside the changed value, key line or section stays as it was, line ends included.
#include "platform/sim/profile_text.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/code_page.h"
#include "platform/sim/code_pages.h"

namespace platform {

namespace {

constexpr std::size_t kNone = std::string::npos;

// Ctrl-Z, the old end-of-file mark, counts as a blank around names and values.
bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f' || c == 0x1A;
}

// Upper case for the letters of ASCII, Latin-1, basic Greek and basic Cyrillic: profile-string names
// compare wider than the ASCII fold that file names use.
char16_t FoldProfileName(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
        (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) || (c >= 0x430 && c <= 0x44F)) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c >= 0x450 && c <= 0x45F) {
        return static_cast<char16_t>(c - 0x50);
    }
    return c == 0xFF ? char16_t{0x178} : c;
}

template <typename Unit> bool SameName(std::basic_string_view<Unit> a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldProfileName(static_cast<char16_t>(a[i])) != FoldProfileName(b[i])) {
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

// Units of a file to UTF-16 and back: bytes in an ANSI code page, or UTF-16 units as they are.
std::u16string Decode(std::string_view units, UINT codePage) {
    return sim::AnsiToUtf16(units, codePage);
}
std::u16string Decode(std::u16string_view units, UINT) {
    return std::u16string(units);
}

void Append(std::string& text, std::u16string_view addition, UINT codePage) {
    if (addition.empty() || addition.size() > static_cast<std::size_t>(INT_MAX)) {
        return;
    }
    const int length = static_cast<int>(addition.size());
    const int needed =
        WideCharToMultiByte(codePage, 0, addition.data(), length, nullptr, 0, nullptr, nullptr);
    const std::size_t at = text.size();
    text.resize(at + static_cast<std::size_t>(needed));
    WideCharToMultiByte(codePage, 0, addition.data(), length, text.data() + at, needed, nullptr, nullptr);
}

void Append(std::u16string& text, std::u16string_view addition, UINT) {
    text.append(addition);
}

template <typename Unit> std::basic_string<Unit> Encode(std::u16string_view text, UINT codePage) {
    std::basic_string<Unit> out;
    Append(out, text, codePage);
    return out;
}

enum class Kind { kBlank, kOther, kSection, kKey };

// One line of the file, as positions in its units.
struct Line {
    Kind kind = Kind::kOther;
    std::size_t begin = 0;
    std::size_t contentEnd = 0; // before the line end ("\r\n", "\n" or "\r")
    std::size_t end = 0;        // after the line end
    std::size_t nameBegin = 0;  // of a section or key, without blanks around it
    std::size_t nameEnd = 0;
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
            std::tie(line.nameBegin, line.nameEnd) = Trim(text, first + 1, first + close);
            line.kind = Kind::kSection;
        }
        return;
    }
    const std::size_t offset = content.find(Unit('='));
    if (content.front() == Unit(';') || offset == kNone) {
        return;
    }
    const std::size_t equals = first + offset;
    std::tie(line.nameBegin, line.nameEnd) = Trim(text, first, equals);
    std::tie(line.valueBegin, line.valueEnd) = Trim(text, equals + 1, last);
    line.kind = Kind::kKey;
}

// Whether a section or key line has the name. Units below 0x80 are the same characters in UTF-16 and
// in every ANSI code page, so only a name with other bytes needs converting.
template <typename Unit>
bool HasName(std::basic_string_view<Unit> text, UINT codePage, const Line& line, std::u16string_view name) {
    const std::basic_string_view<Unit> units = text.substr(line.nameBegin, line.nameEnd - line.nameBegin);
    const bool plain = std::is_same_v<Unit, char16_t> ||
                       std::all_of(units.begin(), units.end(), [](Unit u) { return (u & ~0x7F) == 0; });
    return plain ? SameName(units, name) : SameName(std::u16string_view(Decode(units, codePage)), name);
}

// Walks a file's lines from its start. The next CR and the next LF are each searched for again only
// once the walk has passed them, so that a walk stays linear whatever line ends the file uses, and a
// file of bytes is searched with memchr rather than unit by unit.
template <typename Unit> class LineWalk {
  public:
    explicit LineWalk(std::basic_string_view<Unit> text)
        : text_(text), cr_(text.find(Unit('\r'))), lf_(text.find(Unit('\n'))) {}

    bool Done() const { return begin_ >= text_.size(); }

    Line Next() {
        if (cr_ < begin_) {
            cr_ = text_.find(Unit('\r'), begin_);
        }
        if (lf_ < begin_) {
            lf_ = text_.find(Unit('\n'), begin_);
        }
        Line line;
        line.begin = begin_;
        line.contentEnd = std::min({cr_, lf_, text_.size()});
        line.end = line.contentEnd;
        if (line.end < text_.size()) {
            line.end += cr_ == line.end && lf_ == line.end + 1 ? 2 : 1;
        }
        Classify(text_, line);
        begin_ = line.end;
        return line;
    }

  private:
    std::basic_string_view<Unit> text_;
    std::size_t begin_ = 0;
    std::size_t cr_; // the first CR at or after begin_, or kNone
    std::size_t lf_; // the first LF at or after begin_, or kNone
};

// What one walk over the file finds for a section and a key. Only the first section of a name is
// searched, as Windows searches it.
struct Found {
    std::optional<Line> header;        // the section's first header
    std::optional<Line> key;           // the first key of the name in that section
    std::optional<Line> lastInSection; // the section's last line that is not blank (its header if none)
    std::optional<Line> last;          // the file's last line
};

template <typename Unit>
Found Find(std::basic_string_view<Unit> text, UINT codePage, std::u16string_view section,
           std::u16string_view key) {
    Found found;
    bool inSection = false;
    for (LineWalk<Unit> walk(text); !walk.Done();) {
        const Line line = walk.Next();
        if (line.kind == Kind::kSection) {
            inSection = !found.header && HasName(text, codePage, line, section);
            if (inSection) {
                found.header = line;
                found.lastInSection = line;
            }
        } else if (inSection && line.kind != Kind::kBlank) {
            found.lastInSection = line;
            if (!found.key && line.kind == Kind::kKey && HasName(text, codePage, line, key)) {
                found.key = line;
            }
        }
        found.last = line;
    }
    return found;
}

// A value in single or double quotes is read without them, as Windows reads it.
std::u16string Unquoted(std::u16string text) {
    if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') && text.back() == text.front()) {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

template <typename Unit>
std::optional<std::u16string> FindValue(std::basic_string_view<Unit> text, UINT codePage,
                                        std::u16string_view section, std::u16string_view key) {
    const Found found = Find(text, codePage, section, key);
    if (!found.key) {
        return std::nullopt;
    }
    return Unquoted(
        Decode(text.substr(found.key->valueBegin, found.key->valueEnd - found.key->valueBegin), codePage));
}

// Adds a line after the given one; a last line without a line end gets one first.
template <typename Unit>
void InsertAfter(std::basic_string<Unit>& text, UINT codePage, const std::optional<Line>& previous,
                 std::u16string_view newLine) {
    std::u16string insertion = previous && !previous->Terminated() ? u"\r\n" : u"";
    insertion.append(newLine).append(u"\r\n");
    text.insert(previous ? previous->end : 0, Encode<Unit>(insertion, codePage));
}

// Removes every section of the name with all its lines, in one walk that copies the rest.
template <typename Unit>
void DeleteSections(std::basic_string<Unit>& text, UINT codePage, std::u16string_view section) {
    const std::basic_string_view<Unit> view(text);
    std::basic_string<Unit> kept;
    kept.reserve(text.size());
    bool deleting = false;
    for (LineWalk<Unit> walk(view); !walk.Done();) {
        const Line line = walk.Next();
        if (line.kind == Kind::kSection) {
            deleting = HasName(view, codePage, line, section);
        }
        if (!deleting) {
            kept.append(view.substr(line.begin, line.end - line.begin));
        }
    }
    text = std::move(kept);
}

// The change of one write: a null key deletes the section, a null value deletes the key; otherwise the
// value of the first matching key in the first matching section is replaced, or the key is added after
// the section's last line that is not blank, or the section and the key are added at the end.
template <typename Unit>
void Edit(std::basic_string<Unit>& text, UINT codePage, std::u16string_view section, const char16_t* key,
          const char16_t* value) {
    if (key == nullptr) {
        DeleteSections(text, codePage, section);
        return;
    }
    const std::u16string keyName = Trimmed(key);
    const Found found = Find(std::basic_string_view<Unit>(text), codePage, section, keyName);
    if (!found.header) {
        if (value != nullptr) {
            InsertAfter(text, codePage, found.last,
                        u"[" + std::u16string(section) + u"]\r\n" + keyName + u"=" + value);
        }
        return;
    }
    if (value == nullptr) {
        if (found.key) {
            text.erase(found.key->begin, found.key->end - found.key->begin);
        }
        return;
    }
    if (found.key) {
        text.replace(found.key->valueBegin, found.key->valueEnd - found.key->valueBegin,
                     Encode<Unit>(value, codePage));
        return;
    }
    InsertAfter(text, codePage, found.lastInSection, keyName + u"=" + value);
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

// A found value as Windows reads it as a number: after any leading control characters and blanks, an
// optional sign, then "0x", "0o" or "0b" (lower case only) for base 16, 8 or 2, else base 10, then the
// digits up to the first character that is not one; the number wraps modulo 2^32. A value with no
// digits reads as 0, not as the default.
UINT ParseInteger(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] <= u' ') {
        ++i;
    }
    const bool negative = i < text.size() && text[i] == u'-';
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        ++i;
    }
    UINT base = 10;
    if (i + 1 < text.size() && text[i] == u'0') {
        const char16_t prefix = text[i + 1];
        base = prefix == u'x' ? 16 : prefix == u'o' ? 8 : prefix == u'b' ? 2 : 10;
        if (base != 10) {
            i += 2;
        }
    }
    UINT result = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        const auto folded = static_cast<char16_t>(c | 0x20);
        const UINT digit = c >= u'0' && c <= u'9'             ? static_cast<UINT>(c - u'0')
                           : folded >= u'a' && folded <= u'z' ? static_cast<UINT>(folded - u'a' + 10)
                                                              : base;
        if (digit >= base) {
            break;
        }
        result = result * base + digit;
    }
    return negative ? 0u - result : result;
}

} // namespace

} // namespace platform

namespace sim {

platform::UINT ProfileInt(const std::string& bytes, platform::UINT codePage, const char16_t* section,
                          const char16_t* key, platform::UINT fallback) {
    using namespace platform;
    const std::u16string sectionName = Trimmed(section);
    const std::u16string keyName = Trimmed(key);
    const std::optional<std::u16string> value =
        IsUtf16(bytes)
            ? FindValue(std::u16string_view(SplitUtf16(bytes).units), codePage, sectionName, keyName)
            : FindValue(std::string_view(bytes), codePage, sectionName, keyName);
    // An empty value reads as missing.
    return value && !value->empty() ? ParseInteger(*value) : fallback;
}

std::string ProfileWrite(const std::string& bytes, platform::UINT codePage, const char16_t* section,
                         const char16_t* key, const char16_t* value) {
    using namespace platform;
    const std::u16string sectionName = Trimmed(section);
    if (IsUtf16(bytes)) {
        Utf16File file = SplitUtf16(bytes);
        Edit(file.units, codePage, sectionName, key, value);
        return JoinUtf16(file);
    }
    std::string updated = bytes;
    Edit(updated, codePage, sectionName, key, value);
    return updated;
}

} // namespace sim
