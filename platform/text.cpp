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

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool WEqualNoCase(const char16_t* a, const char16_t* b) {
    while (*a != 0 && FoldAscii(*a) == FoldAscii(*b)) {
        ++a;
        ++b;
    }
    return FoldAscii(*a) == FoldAscii(*b);
}

std::u16string WFoldNoCase(const char16_t* text) {
    std::u16string folded;
    for (; *text != 0; ++text) {
        folded.push_back(FoldAscii(*text));
    }
    return folded;
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

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t cp = 0;
        if (b0 < 0x80) {
            cp = b0;
        } else if (b0 >= 0xC2 && b0 < 0xE0) {
            extra = 1;
            cp = b0 & 0x1Fu;
        } else if (b0 >= 0xE0 && b0 < 0xF0) {
            extra = 2;
            cp = b0 & 0x0Fu;
        } else if (b0 >= 0xF0 && b0 < 0xF5) {
            extra = 3;
            cp = b0 & 0x07u;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        bool valid = true;
        for (int k = 1; valid && k <= extra; ++k) {
            if (i + static_cast<std::size_t>(k) >= text.size()) {
                valid = false;
                break;
            }
            const auto b = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            valid = (b & 0xC0u) == 0x80u;
            cp = (cp << 6) | (b & 0x3Fu);
        }
        const bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF));
        if (!valid || overlong || (cp >= 0xD800 && cp < 0xE000)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        AppendUtf16(out, cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

} // namespace platform
