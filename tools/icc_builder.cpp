#include "tools/icc_builder.h"

#include <cmath>
#include <fstream>

namespace test {

namespace {

constexpr std::size_t kHeader = 128;
constexpr std::size_t kTableEntry = 12;

void PutBig32(Bytes& bytes, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
}

void SetBig32(Bytes& bytes, std::size_t at, uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    }
}

} // namespace

uint32_t Sig(const char (&tag)[5]) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<unsigned char>(tag[i]);
    }
    return value;
}

Bytes TextDescTag(const std::string& ascii, std::optional<uint32_t> count) {
    Bytes bytes;
    PutBig32(bytes, Sig("desc"));
    PutBig32(bytes, 0);
    PutBig32(bytes, count.value_or(static_cast<uint32_t>(ascii.size() + 1)));
    bytes.insert(bytes.end(), ascii.begin(), ascii.end());
    bytes.push_back(0);
    bytes.resize(bytes.size() + 78, 0); // empty Unicode and ScriptCode parts
    return bytes;
}

Bytes XyzTag(const std::vector<double>& values) {
    Bytes bytes;
    PutBig32(bytes, Sig("XYZ "));
    PutBig32(bytes, 0);
    for (const double value : values) {
        PutBig32(bytes, static_cast<uint32_t>(static_cast<int32_t>(std::lround(value * 65536.0))));
    }
    return bytes;
}

Bytes IccProfile(const std::vector<IccTag>& tags) {
    Bytes bytes(kHeader, 0);
    SetBig32(bytes, 8, 0x02100000);   // version 2.1
    SetBig32(bytes, 12, Sig("mntr")); // display device profile
    SetBig32(bytes, 16, Sig("RGB "));
    SetBig32(bytes, 20, Sig("XYZ "));
    SetBig32(bytes, 36, Sig("acsp"));
    SetBig32(bytes, 68, 0x0000F6D6); // D50 illuminant
    SetBig32(bytes, 72, 0x00010000);
    SetBig32(bytes, 76, 0x0000D32D);
    PutBig32(bytes, static_cast<uint32_t>(tags.size()));
    const std::size_t start = kHeader + 4 + kTableEntry * tags.size();
    Bytes data;
    for (const IccTag& tag : tags) {
        PutBig32(bytes, tag.signature);
        PutBig32(bytes, tag.offset.value_or(static_cast<uint32_t>(start + data.size())));
        PutBig32(bytes, tag.size.value_or(static_cast<uint32_t>(tag.data.size())));
        data.insert(data.end(), tag.data.begin(), tag.data.end());
        data.resize((data.size() + 3) / 4 * 4, 0);
    }
    bytes.insert(bytes.end(), data.begin(), data.end());
    SetBig32(bytes, 0, static_cast<uint32_t>(bytes.size()));
    return bytes;
}

void WriteFile(const std::filesystem::path& file, const Bytes& bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size())); // NOLINT
}

} // namespace test
