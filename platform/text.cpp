#include "platform/text.h"

namespace platform {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    auto put = [&out](unsigned value) { out.push_back(static_cast<char>(value)); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else {
        put(0xF0 | (cp >> 18));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

// "0x" and the lowest digits hexadecimal digits of value, upper case.
std::string HexNumber(uint64_t value, int digits) {
    std::string text = "0x";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        text += HexDigit(static_cast<unsigned>(value >> shift));
    }
    return text;
}

} // namespace

std::size_t WLen(const char16_t* text) {
    std::size_t n = 0;
    while (text[n] != 0) {
        ++n;
    }
    return n;
}

std::size_t WCopy(char16_t* dest, std::size_t capacity, const char16_t* text) {
    if (capacity == 0) {
        return 0;
    }
    std::size_t n = 0;
    while (n + 1 < capacity && text[n] != 0) {
        dest[n] = text[n];
        ++n;
    }
    dest[n] = 0;
    return n;
}

void WClear(char16_t* dest, std::size_t capacity) {
    for (std::size_t i = 0; i < capacity; ++i) {
        dest[i] = 0;
    }
}

bool WEqual(const char16_t* a, const char16_t* b) {
    while (*a != 0 && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

bool WEqualNoCase(const char16_t* a, const char16_t* b) {
    while (*a != 0 && LowerAscii(*a) == LowerAscii(*b)) {
        ++a;
        ++b;
    }
    return LowerAscii(*a) == LowerAscii(*b);
}

std::u16string WFoldNoCase(const char16_t* text) {
    std::u16string folded;
    for (; *text != 0; ++text) {
        folded.push_back(LowerAscii(*text));
    }
    return folded;
}

std::size_t NameStart(std::u16string_view path) {
    const std::size_t separator = path.find_last_of(u"\\/");
    return separator == std::u16string_view::npos ? 0 : separator + 1;
}

const char16_t* WFind(const char16_t* text, char16_t unit) {
    for (; *text != 0; ++text) {
        if (*text == unit) {
            return text;
        }
    }
    return nullptr;
}

bool WContains(const char16_t* text, const char16_t* part) {
    return std::u16string_view(text).find(std::u16string_view(part)) != std::u16string_view::npos;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(at);
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
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(at + k) < 0x80 || byte(at + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        // The lead byte's payload bits, then six from each continuation byte.
        constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
        char32_t cp = static_cast<unsigned char>(text[i]) & kLeadMask[length];
        for (std::size_t k = 1; k < length; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        }
        AppendUtf16(out, cp);
        i += length;
    }
    return out;
}

std::string Utf8OrEmpty(const char16_t* text) {
    return text != nullptr ? Utf16ToUtf8(text) : std::string();
}

std::string Hex32(uint32_t value) {
    return HexNumber(value, 8);
}

std::string Hex64(uint64_t value) {
    return HexNumber(value, 16);
}

bool IsHex(std::string_view text) {
    return text.size() % 2 == 0 && std::all_of(text.begin(), text.end(), [](char c) {
               return HexDigitValue(static_cast<unsigned char>(c)) >= 0;
           });
}

std::vector<uint8_t> FromHex(std::string_view text) {
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        const int high = HexDigitValue(static_cast<unsigned char>(text[i]));
        const int low = HexDigitValue(static_cast<unsigned char>(text[i + 1]));
        if (high < 0 || low < 0) {
            break;
        }
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return bytes;
}

std::string ToHex(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::string text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        text += HexDigit(bytes[i] >> 4);
        text += HexDigit(bytes[i]);
    }
    return text;
}

void AppendLittleEndian(std::string& bytes, uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        bytes.push_back(static_cast<char>(value >> (8 * i)));
    }
}

} // namespace platform
