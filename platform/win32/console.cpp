// The process's standard output. Narrow and wide text both go through the C runtime's stdout, so
// that they come out in the order they were written.
#include "platform/console.h"

#include <climits>
#include <cstdio>
#include <string>

#include "platform/win32/win32.h"

namespace {

// Converts wide text to the ANSI code page piece by piece (WideCharToMultiByte counts in int) and
// writes it to the stream. A piece never ends between the two halves of a surrogate pair.
void WriteWide(std::FILE* stream, const char16_t* text, std::size_t length) {
    constexpr std::size_t kPiece = 4096;
    std::string bytes;
    while (length > 0) {
        std::size_t piece = length < kPiece ? length : kPiece;
        if (piece < length && text[piece - 1] >= 0xD800 && text[piece - 1] < 0xDC00) {
            --piece;
        }
        const int units = static_cast<int>(piece);
        const int needed =
            ::WideCharToMultiByte(CP_ACP, 0, win32::W(text), units, nullptr, 0, nullptr, nullptr);
        if (needed > 0) {
            bytes.resize(static_cast<std::size_t>(needed));
            const int written = ::WideCharToMultiByte(CP_ACP, 0, win32::W(text), units, bytes.data(), needed,
                                                      nullptr, nullptr);
            if (written > 0) {
                std::fwrite(bytes.data(), 1, static_cast<std::size_t>(written), stream);
            }
        }
        text += piece;
        length -= piece;
    }
}

} // namespace

namespace platform {

void WriteStdout(const char* text, std::size_t length) {
    std::fwrite(text, 1, length, stdout);
}

void WriteStdoutW(const char16_t* text, std::size_t length) {
    WriteWide(stdout, text, length);
}

void WriteStderrW(const char16_t* text, std::size_t length) {
    WriteWide(stderr, text, length);
}

} // namespace platform
