// Hand-built ICC profile bytes for tests: a header, a tag table and tag data, with every field of the
// table under the test's control so that broken files can be made as easily as good ones.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace test {

using Bytes = std::vector<uint8_t>;

uint32_t Sig(const char (&tag)[5]);

// textDescriptionType with this ASCII part; count overrides the stored count (terminator included).
Bytes TextDescTag(const std::string& ascii, std::optional<uint32_t> count = std::nullopt);
// XYZType with the given values, three s15Fixed16 values per XYZ number.
Bytes XyzTag(const std::vector<double>& values);

struct IccTag {
    uint32_t signature;
    Bytes data;
    // Overrides of the tag table entry.
    std::optional<uint32_t> offset = std::nullopt;
    std::optional<uint32_t> size = std::nullopt;
};

// A display profile (version 2.1, RGB, XYZ connection space) holding the tags, in order.
Bytes IccProfile(const std::vector<IccTag>& tags);

void WriteFile(const std::filesystem::path& file, const Bytes& bytes);

} // namespace test
