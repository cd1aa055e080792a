// The tool's printf-style formatter, for narrow (ANSI code page) and wide (UTF-16) text.
//
// Conversions: %d %i %u %x %X %o %c %f %s and %%, with the flags - 0 + blank #, a width and a
// precision. Integers are taken as 32-bit values unless the length is "ll" or "I64", as the C runtime
// reads them. In a narrow format "%s" takes a narrow string and "%ws" (or "%ls") a wide one; in a
// wide format "%s" takes a wide string and "%hs" a narrow one. A string argument of the other width
// is converted through the ANSI code page, and a null string prints as "(null)". Arguments are typed,
// so a conversion never reads memory that was not passed; a conversion without an argument prints
// nothing.
#pragma once

#include <concepts>
#include <cstddef>
#include <span>
#include <string>

namespace platform {

class FormatArg {
  public:
    enum class Kind { Signed, Unsigned, Real, Narrow, Wide };

    template <std::integral T> FormatArg(T value) { // NOLINT: implicit by design
        if constexpr (std::is_signed_v<T>) {
            kind_ = Kind::Signed;
            signed_ = static_cast<long long>(value);
        } else {
            kind_ = Kind::Unsigned;
            unsigned_ = static_cast<unsigned long long>(value);
        }
    }
    FormatArg(double value) : kind_(Kind::Real), real_(value) {}          // NOLINT
    FormatArg(const char* value) : kind_(Kind::Narrow), narrow_(value) {} // NOLINT
    FormatArg(const char16_t* value) : kind_(Kind::Wide), wide_(value) {} // NOLINT
    FormatArg(const std::string& value) : FormatArg(value.c_str()) {}     // NOLINT
    FormatArg(const std::u16string& value) : FormatArg(value.c_str()) {}  // NOLINT
    // An argument keeps a pointer to the text: a temporary string would be gone before it is read.
    FormatArg(std::string&&) = delete;
    FormatArg(std::u16string&&) = delete;

    Kind kind() const { return kind_; }
    long long asSigned() const;
    unsigned long long asUnsigned() const;
    double asReal() const;
    const char* narrow() const { return kind_ == Kind::Narrow ? narrow_ : nullptr; }
    const char16_t* wide() const { return kind_ == Kind::Wide ? wide_ : nullptr; }

  private:
    Kind kind_;
    union {
        long long signed_;
        unsigned long long unsigned_;
        double real_;
        const char* narrow_;
        const char16_t* wide_;
    };
};

// Into a fixed buffer of capacity units: the text is cut at capacity - 1 and always terminated
// (nothing is written when capacity is 0). Returns the number of units written before the terminator.
std::size_t FormatNarrowArgs(char* buffer, std::size_t capacity, const char* format,
                             std::span<const FormatArg> args);
std::size_t FormatWideArgs(char16_t* buffer, std::size_t capacity, const char16_t* format,
                           std::span<const FormatArg> args);

// Into a string, without a bound.
std::string FormatNarrowString(const char* format, std::span<const FormatArg> args);
std::u16string FormatWideString(const char16_t* format, std::span<const FormatArg> args);

template <typename... Args>
std::size_t FormatA(char* buffer, std::size_t capacity, const char* format, const Args&... args) {
    const FormatArg list[] = {FormatArg(args)..., FormatArg(0)};
    return FormatNarrowArgs(buffer, capacity, format, std::span<const FormatArg>(list, sizeof...(Args)));
}

template <typename... Args>
std::size_t FormatW(char16_t* buffer, std::size_t capacity, const char16_t* format, const Args&... args) {
    const FormatArg list[] = {FormatArg(args)..., FormatArg(0)};
    return FormatWideArgs(buffer, capacity, format, std::span<const FormatArg>(list, sizeof...(Args)));
}

// Formats into buffer (capacity units) only when the whole text fits, and returns true. A text that does
// not fit leaves the buffer empty: a path cut short could name another file.
bool FormatWholeArgs(char16_t* buffer, std::size_t capacity, const char16_t* format,
                     std::span<const FormatArg> args);

template <typename... Args>
bool FormatWhole(char16_t* buffer, std::size_t capacity, const char16_t* format, const Args&... args) {
    const FormatArg list[] = {FormatArg(args)..., FormatArg(0)};
    return FormatWholeArgs(buffer, capacity, format, std::span<const FormatArg>(list, sizeof...(Args)));
}

} // namespace platform
