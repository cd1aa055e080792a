// Small helpers that the sim's modules share: ASCII letter case, path separators, hexadecimal text,
// big-endian reads and tables of the objects that calls hand out as handles. Internal to the sim
// backend.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// An ASCII letter in upper case; every other character as it is. Names that Windows compares without
// regard to case (files, registry keys, WMI names) are compared in this form; sorting by it puts "_"
// after the letters, as NTFS lists names.
template <typename Char> constexpr Char UpperAscii(Char c) {
    return (c >= Char('a') && c <= Char('z')) ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}

// A whole text with its ASCII letters in upper case.
template <typename Text> Text UpperAsciiText(Text text) {
    std::transform(text.begin(), text.end(), text.begin(), UpperAscii<typename Text::value_type>);
    return text;
}

// True when a and b are equal but for the case of ASCII letters.
bool EqualNoCase(std::string_view a, std::string_view b);

// "\" and "/" both separate the parts of a Windows path.
constexpr bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

// Where the last part of a Windows path (its file name) starts: after its last separator, or 0.
std::size_t NameStart(std::u16string_view path);

// "0x%08X" of a value, as journal records write HRESULTs and control codes.
std::string Hex32(uint32_t value);
// True for an even number of hexadecimal digits (either case), the form of binary data in descriptions.
bool IsHex(std::string_view text);
// The bytes of such a text (a text that is not hex gives the bytes of its leading well-formed pairs).
std::vector<uint8_t> FromHex(std::string_view text);
// Upper-case hexadecimal digits of bytes, as journal records write binary data.
std::string ToHex(const void* data, std::size_t size);

// The 32-bit big-endian number at bytes (ICC profiles store their numbers so).
constexpr uint32_t ReadBigEndian32(const uint8_t* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           uint32_t{bytes[3]};
}

// The objects that calls hand out as handles: a handle is the object's address, valid from Add until
// Close or Clear. A handle that was never handed out, or is closed, finds nothing.
template <typename T, typename Deleter = std::default_delete<T>> class HandleTable {
  public:
    T* Add(std::unique_ptr<T, Deleter> object) {
        objects_.push_back(std::move(object));
        return objects_.back().get();
    }
    T* Find(const void* handle) const {
        const auto it = Position(handle);
        return it == objects_.end() ? nullptr : it->get();
    }
    // Releases the object; false for a handle that finds nothing.
    bool Close(const void* handle) {
        const auto it = Position(handle);
        if (handle == nullptr || it == objects_.end()) {
            return false;
        }
        objects_.erase(it);
        return true;
    }
    void Clear() { objects_.clear(); }

  private:
    typename std::vector<std::unique_ptr<T, Deleter>>::const_iterator Position(const void* handle) const {
        return std::find_if(objects_.begin(), objects_.end(),
                            [&](const auto& object) { return object.get() == handle; });
    }

    std::vector<std::unique_ptr<T, Deleter>> objects_;
};

} // namespace sim
