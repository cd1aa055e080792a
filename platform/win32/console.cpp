// The process's standard output and standard error. On a console, text is written as UTF-16 with
// WriteConsoleW: a console shows bytes in its own code page, not the ANSI one, so narrow text would come
// out garbled. Redirected, narrow and wide text both go through the C runtime's streams as ANSI bytes, in
// the order written. Companion programs whose own standard output is a report send the standard-output
// text to standard error instead.
#include "platform/console.h"

#include <cstdio>
#include <string>

#include "platform/win32/win32.h"

namespace {

std::FILE* g_output = stdout;

// Pieces of at most this many units: the conversions and WriteConsoleW count in int and DWORD.
constexpr std::size_t kPiece = 4096;

// The console that a stream goes to, or null when it is redirected to a file or a pipe.
HANDLE ConsoleOf(std::FILE* stream) {
    const HANDLE output = ::GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    ::DWORD mode = 0;
    return output != nullptr && output != INVALID_HANDLE_VALUE && ::GetConsoleMode(output, &mode) ? output
                                                                                                  : nullptr;
}

// A piece of at most kPiece units that never ends between the two halves of a surrogate pair.
std::size_t PieceOf(const char16_t* text, std::size_t length) {
    std::size_t piece = length < kPiece ? length : kPiece;
    if (piece < length && text[piece - 1] >= 0xD800 && text[piece - 1] < 0xDC00) {
        --piece;
    }
    return piece;
}

void WriteConsoleText(HANDLE console, std::FILE* stream, const char16_t* text, std::size_t length) {
    std::fflush(stream);
    while (length > 0) {
        const std::size_t piece = PieceOf(text, length);
        ::DWORD written = 0;
        if (!::WriteConsoleW(console, win32::W(text), static_cast<::DWORD>(piece), &written, nullptr)) {
            return;
        }
        text += piece;
        length -= piece;
    }
}

// Wide text to a stream: UTF-16 on a console, otherwise converted to the ANSI code page piece by piece.
void WriteWide(std::FILE* stream, const char16_t* text, std::size_t length) {
    if (const HANDLE console = ConsoleOf(stream); console != nullptr) {
        WriteConsoleText(console, stream, text, length);
        return;
    }
    std::string bytes;
    while (length > 0) {
        const std::size_t piece = PieceOf(text, length);
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

void SendStdoutToStderr() {
    g_output = stderr;
}

void WriteStdout(const char* text, std::size_t length) {
    const HANDLE console = ConsoleOf(g_output);
    if (console == nullptr) {
        std::fwrite(text, 1, length, g_output);
        return;
    }
    std::u16string wide;
    while (length > 0) {
        const int bytes = static_cast<int>(length < kPiece ? length : kPiece);
        const int units = ::MultiByteToWideChar(CP_ACP, 0, text, bytes, nullptr, 0);
        if (units <= 0) {
            return;
        }
        wide.resize(static_cast<std::size_t>(units));
        ::MultiByteToWideChar(CP_ACP, 0, text, bytes, win32::W(wide.data()), units);
        WriteConsoleText(console, g_output, wide.data(), wide.size());
        text += bytes;
        length -= static_cast<std::size_t>(bytes);
    }
}

void WriteStdoutW(const char16_t* text, std::size_t length) {
    WriteWide(g_output, text, length);
}

void WriteStderrW(const char16_t* text, std::size_t length) {
    WriteWide(stderr, text, length);
}

} // namespace platform
