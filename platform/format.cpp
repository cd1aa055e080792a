#include "platform/format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "platform/code_page.h"
#include "platform/text.h"

namespace platform {

long long FormatArg::asSigned() const {
    switch (kind_) {
    case Kind::Signed:
        return signed_;
    case Kind::Unsigned:
        return static_cast<long long>(unsigned_);
    case Kind::Real:
        return static_cast<long long>(real_);
    default:
        return 0;
    }
}

unsigned long long FormatArg::asUnsigned() const {
    return static_cast<unsigned long long>(asSigned());
}

double FormatArg::asReal() const {
    switch (kind_) {
    case Kind::Real:
        return real_;
    case Kind::Signed:
        return static_cast<double>(signed_);
    case Kind::Unsigned:
        return static_cast<double>(unsigned_);
    default:
        return 0.0;
    }
}

namespace {

// Collects output units; when bounded, keeps at most limit of them and drops the rest.
template <typename Char> class Sink {
  public:
    Sink(Char* buffer, std::size_t limit) : buffer_(buffer), limit_(limit) {}
    explicit Sink(std::basic_string<Char>* text) : text_(text) {}

    void put(Char c) {
        if (text_ != nullptr) {
            text_->push_back(c);
        } else if (used_ < limit_) {
            buffer_[used_++] = c;
        }
    }
    void repeat(Char c, std::size_t n) {
        if (text_ == nullptr) {
            n = std::min(n, limit_ - used_);
        }
        for (std::size_t i = 0; i < n; ++i) {
            put(c);
        }
    }
    void append(std::basic_string_view<Char> s) {
        for (Char c : s) {
            put(c);
        }
    }
    std::size_t used() const { return used_; }

  private:
    Char* buffer_ = nullptr;
    std::size_t limit_ = 0;
    std::size_t used_ = 0;
    std::basic_string<Char>* text_ = nullptr;
};

struct Directive {
    bool left = false;
    bool zero = false;
    bool plus = false;
    bool blank = false;
    bool alternate = false;
    std::size_t width = 0;
    int precision = -1;
    bool wideLength = false;   // l or w
    bool narrowLength = false; // h
    bool longLong = false;     // ll or I64
    char conversion = 0;
};

std::string ToNarrow(const char16_t* text) {
    const int needed = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(needed), '\0');
    const int written = WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), needed, nullptr, nullptr);
    out.resize(written > 0 ? static_cast<std::size_t>(written) - 1 : 0);
    return out;
}

std::u16string ToWide(const char* text) {
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::u16string out(static_cast<std::size_t>(needed), u'\0');
    const int written = MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), needed);
    out.resize(written > 0 ? static_cast<std::size_t>(written) - 1 : 0);
    return out;
}

template <typename Char> std::basic_string<Char> StringArg(const FormatArg& arg) {
    static constexpr char kNull[] = "(null)";
    if constexpr (sizeof(Char) == 1) {
        if (arg.kind() == FormatArg::Kind::Narrow && arg.narrow() != nullptr) {
            return arg.narrow();
        }
        if (arg.kind() == FormatArg::Kind::Wide && arg.wide() != nullptr) {
            return ToNarrow(arg.wide());
        }
        return kNull;
    } else {
        if (arg.kind() == FormatArg::Kind::Wide && arg.wide() != nullptr) {
            return arg.wide();
        }
        if (arg.kind() == FormatArg::Kind::Narrow && arg.narrow() != nullptr) {
            return ToWide(arg.narrow());
        }
        return u"(null)";
    }
}

// Digits of an integer conversion, without sign or padding.
std::string IntegerDigits(const Directive& directive, const FormatArg& arg, bool& negative) {
    negative = false;
    unsigned long long magnitude = 0;
    if (directive.conversion == 'd' || directive.conversion == 'i') {
        long long value = arg.asSigned();
        if (!directive.longLong) {
            value = static_cast<int>(static_cast<unsigned>(value & 0xFFFFFFFFll));
        }
        negative = value < 0;
        magnitude =
            negative ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    } else {
        magnitude = arg.asUnsigned();
        if (!directive.longLong) {
            magnitude &= 0xFFFFFFFFull;
        }
    }
    const unsigned base = (directive.conversion == 'x' || directive.conversion == 'X') ? 16u
                          : directive.conversion == 'o'                                ? 8u
                                                                                       : 10u;
    const bool upper = directive.conversion == 'X';
    std::string digits;
    do {
        const auto digit = static_cast<unsigned>(magnitude % base);
        digits.insert(digits.begin(), upper ? HexDigit(digit) : LowerHexDigit(digit));
        magnitude /= base;
    } while (magnitude != 0);
    if (directive.precision >= 0) {
        if (directive.precision == 0 && digits == "0") {
            digits.clear();
        }
        // One insertion: a digit at a time would take quadratic time for a precision of a million.
        if (digits.size() < static_cast<std::size_t>(directive.precision)) {
            digits.insert(std::size_t{0}, static_cast<std::size_t>(directive.precision) - digits.size(), '0');
        }
    }
    return digits;
}

template <typename Char>
void Pad(Sink<Char>& out, const Directive& directive, std::size_t length, bool before) {
    if (directive.width > length && directive.left != before) {
        out.repeat(Char(' '), directive.width - length);
    }
}

template <typename Char>
void EmitText(Sink<Char>& out, const Directive& directive, std::basic_string_view<Char> text) {
    Pad(out, directive, text.size(), true);
    out.append(text);
    Pad(out, directive, text.size(), false);
}

template <typename Char>
void EmitNumber(Sink<Char>& out, const Directive& directive, std::string_view prefix,
                std::string_view digits) {
    const std::size_t length = prefix.size() + digits.size();
    const bool zeroPad =
        directive.zero && !directive.left && (directive.precision < 0 || directive.conversion == 'f');
    if (!zeroPad) {
        Pad(out, directive, length, true);
    }
    for (char c : prefix) {
        out.put(Char(static_cast<unsigned char>(c)));
    }
    if (zeroPad && directive.width > length) {
        out.repeat(Char('0'), directive.width - length);
    }
    for (char c : digits) {
        out.put(Char(static_cast<unsigned char>(c)));
    }
    Pad(out, directive, length, false);
}

template <typename Char> void Convert(Sink<Char>& out, const Directive& directive, const FormatArg& arg) {
    switch (directive.conversion) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o': {
        bool negative = false;
        const std::string digits = IntegerDigits(directive, arg, negative);
        std::string_view prefix;
        if (negative) {
            prefix = "-";
        } else if ((directive.conversion == 'd' || directive.conversion == 'i') &&
                   (directive.plus || directive.blank)) {
            prefix = directive.plus ? "+" : " ";
        }
        if (directive.alternate && arg.asUnsigned() != 0 &&
            (directive.conversion == 'x' || directive.conversion == 'X')) {
            prefix = directive.conversion == 'x' ? "0x" : "0X";
        }
        EmitNumber(out, directive, prefix, digits);
        break;
    }
    case 'f': {
        const int precision =
            directive.precision < 0 ? 6 : (directive.precision > 60 ? 60 : directive.precision);
        char digits[400] = {};
        const double value = arg.asReal();
        std::snprintf(digits, sizeof digits, "%.*f", precision, value < 0 ? -value : value);
        std::string_view prefix;
        if (value < 0 || (value == 0 && std::signbit(value))) {
            prefix = "-";
        } else if (directive.plus || directive.blank) {
            prefix = directive.plus ? "+" : " ";
        }
        EmitNumber(out, directive, prefix, digits);
        break;
    }
    case 'c': {
        const Char c = static_cast<Char>(arg.asUnsigned());
        EmitText(out, directive, std::basic_string_view<Char>(&c, 1));
        break;
    }
    case 's': {
        std::basic_string<Char> text = StringArg<Char>(arg);
        if (directive.precision >= 0 && text.size() > static_cast<std::size_t>(directive.precision)) {
            text.resize(static_cast<std::size_t>(directive.precision));
        }
        EmitText(out, directive, std::basic_string_view<Char>(text));
        break;
    }
    default:
        break;
    }
}

bool IsDigit(unsigned c) {
    return c >= '0' && c <= '9';
}

template <typename Char> void Run(Sink<Char>& out, const Char* format, std::span<const FormatArg> args) {
    std::size_t next = 0;
    const Char* p = format;
    while (*p != 0) {
        if (*p != Char('%')) {
            out.put(*p++);
            continue;
        }
        const Char* start = p++;
        if (*p == Char('%')) {
            out.put(*p++);
            continue;
        }
        Directive directive;
        for (;; ++p) {
            if (*p == Char('-')) {
                directive.left = true;
            } else if (*p == Char('0')) {
                directive.zero = true;
            } else if (*p == Char('+')) {
                directive.plus = true;
            } else if (*p == Char(' ')) {
                directive.blank = true;
            } else if (*p == Char('#')) {
                directive.alternate = true;
            } else {
                break;
            }
        }
        for (; IsDigit(static_cast<unsigned>(*p)); ++p) {
            directive.width = directive.width < 100000
                                  ? directive.width * 10 + static_cast<std::size_t>(*p - Char('0'))
                                  : directive.width;
        }
        if (*p == Char('.')) {
            directive.precision = 0;
            for (++p; IsDigit(static_cast<unsigned>(*p)); ++p) {
                directive.precision = directive.precision < 100000
                                          ? directive.precision * 10 + static_cast<int>(*p - Char('0'))
                                          : directive.precision;
            }
        }
        if (*p == Char('l') && p[1] == Char('l')) {
            directive.longLong = true;
            p += 2;
        } else if (*p == Char('I') && p[1] == Char('6') && p[2] == Char('4')) {
            directive.longLong = true;
            p += 3;
        } else if (*p == Char('l') || *p == Char('w')) {
            directive.wideLength = true;
            ++p;
        } else if (*p == Char('h')) {
            directive.narrowLength = true;
            ++p;
        }
        const unsigned c = static_cast<unsigned>(*p);
        if (c == 0 || std::string_view("diuxXocfs").find(static_cast<char>(c)) == std::string_view::npos) {
            // Not a conversion: the text stands as it was written.
            for (const Char* q = start; q != p; ++q) {
                out.put(*q);
            }
            continue;
        }
        directive.conversion = static_cast<char>(c);
        ++p;
        if (next < args.size()) {
            Convert(out, directive, args[next++]);
        }
    }
}

template <typename Char>
std::size_t Bounded(Char* buffer, std::size_t capacity, const Char* format, std::span<const FormatArg> args) {
    if (capacity == 0) {
        return 0;
    }
    Sink<Char> out(buffer, capacity - 1);
    Run(out, format, args);
    buffer[out.used()] = 0;
    return out.used();
}

} // namespace

std::size_t FormatNarrowArgs(char* buffer, std::size_t capacity, const char* format,
                             std::span<const FormatArg> args) {
    return Bounded(buffer, capacity, format, args);
}

std::size_t FormatWideArgs(char16_t* buffer, std::size_t capacity, const char16_t* format,
                           std::span<const FormatArg> args) {
    return Bounded(buffer, capacity, format, args);
}

std::string FormatNarrowString(const char* format, std::span<const FormatArg> args) {
    std::string text;
    Sink<char> out(&text);
    Run(out, format, args);
    return text;
}

std::u16string FormatWideString(const char16_t* format, std::span<const FormatArg> args) {
    std::u16string text;
    Sink<char16_t> out(&text);
    Run(out, format, args);
    return text;
}

bool FormatWholeArgs(char16_t* buffer, std::size_t capacity, const char16_t* format,
                     std::span<const FormatArg> args) {
    const std::u16string whole = FormatWideString(format, args);
    for (std::size_t i = 0; i < capacity; ++i) {
        buffer[i] = 0;
    }
    if (whole.size() >= capacity) {
        return false;
    }
    whole.copy(buffer, whole.size());
    return true;
}

} // namespace platform
