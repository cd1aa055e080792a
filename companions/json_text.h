// Small pieces of JSON text, for the companion programs' reports and machine descriptions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A JSON string of UTF-16 text (as UTF-8; unpaired surrogates become U+FFFD).
std::string JsonString(std::u16string_view text);
std::string JsonBool(bool value);
// A JSON string, or null when text is empty.
std::string JsonStringOrNull(std::u16string_view text);

// {"k": v, ...} / [v, ...] from members already in JSON text; indent is the depth for pretty printing.
struct JsonMember {
    std::string name;
    std::string value;
};
std::string JsonObject(const std::vector<JsonMember>& members, int indent = 0);
std::string JsonArray(const std::vector<std::string>& values, int indent = 0);
// [text, ...] of UTF-16 texts.
std::string JsonStringArray(const std::vector<std::u16string>& texts, int indent = 0);
