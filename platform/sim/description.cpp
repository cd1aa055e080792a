// Reading a machine description: its text checked before it is parsed, so that a description sent around
// (a capture) cannot make the loader recurse without bound or take in an endless file.
#include "platform/sim/description.h"

#include "platform/sim/host_files.h"
#include "platform/text.h"

namespace sim {

namespace {

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

// Refuses text that is not UTF-8, or whose brackets (outside strings) nest too deep, naming the place.
void CheckText(std::string_view text, const std::string& origin) {
    std::size_t depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = platform::Utf8SequenceLength(text, i);
        if (length == 0) {
            throw MachineError("the machine description " + origin + " is not valid UTF-8 at " +
                               Place(text, i));
        }
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                // The escaped character is checked as UTF-8 on its own.
                i += i + 1 < text.size() && platform::Utf8SequenceLength(text, i + 1) == 1 ? std::size_t{2}
                                                                                           : std::size_t{1};
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

Json ReadDescription(const std::filesystem::path& file) {
    std::string text;
    switch (ReadBounded(file, kMaxDescriptionBytes, text)) {
    case HostRead::Read:
        return ParseDescription(text, file.string());
    case HostRead::TooLarge:
        throw MachineError("the machine description " + file.string() + " is larger than " +
                           std::to_string(kMaxDescriptionBytes / (1024 * 1024)) + " MiB");
    default:
        throw MachineError("cannot read the machine description " + file.string());
    }
}

} // namespace sim
