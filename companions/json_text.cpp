#include "companions/json_text.h"

#include "platform/text.h"

namespace {

std::string Indent(int depth) {
    return std::string(static_cast<std::size_t>(depth) * 2, ' ');
}

std::string Joined(const std::vector<std::string>& items, char open, char close, int indent) {
    if (items.empty()) {
        return std::string{open, close};
    }
    std::string text(1, open);
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += "\n" + Indent(indent + 1) + items[i] + (i + 1 < items.size() ? "," : "");
    }
    return text + "\n" + Indent(indent) + close;
}

} // namespace

std::string JsonString(std::u16string_view text) {
    std::string out = "\"";
    for (const char c : platform::Utf16ToUtf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += platform::LowerHexDigit(byte >> 4u);
            out += platform::LowerHexDigit(byte);
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonBool(bool value) {
    return value ? "true" : "false";
}

std::string JsonStringOrNull(std::u16string_view text) {
    return text.empty() ? "null" : JsonString(text);
}

std::string JsonObject(const std::vector<JsonMember>& members, int indent) {
    std::vector<std::string> items;
    for (const JsonMember& member : members) {
        items.push_back(JsonString(platform::Utf8ToUtf16(member.name)) + ": " + member.value);
    }
    return Joined(items, '{', '}', indent);
}

std::string JsonArray(const std::vector<std::string>& values, int indent) {
    return Joined(values, '[', ']', indent);
}

std::string JsonStringArray(const std::vector<std::u16string>& texts, int indent) {
    std::vector<std::string> values;
    for (const std::u16string& text : texts) {
        values.push_back(JsonString(text));
    }
    return JsonArray(values, indent);
}
