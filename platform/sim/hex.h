// Hex text of the machine description and the journal. Internal to the sim backend.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// Hex text ("00FFAB...", blanks allowed between pairs) as bytes; nothing when it is not hex.
std::optional<std::vector<uint8_t>> ParseHex(std::string_view hex);

// Bytes as upper-case hex text without separators.
std::string HexText(const uint8_t* bytes, std::size_t size);

} // namespace sim
