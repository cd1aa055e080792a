// The process's standard output. On a console, text is written as UTF-16 with WriteConsoleW: a console
// shows bytes in its own code page, not the ANSI one, so narrow text would come out garbled. Redirected,
// narrow and wide text both go through the C runtime's stdout as ANSI bytes, in the order written.
// Companion programs whose own standard output is a report send this text to standard error instead.
#include "platform/console.h"

#include <cstdio>
#include <string>

#include "platform/win32/win32.h"

namespace {

std::FILE* g_output = stdout;

} // namespace

namespace platform {

namespace {

// Pieces of at most this many units: the conversions and WriteConsoleW count in int and DWORD.
constexpr std::size_t kPiece = 4096;

// The console that the output goes to, or null when it is redirected to a file or a pipe.
HANDLE Console() {
    const HANDLE output = ::GetStdHandle(g_output == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
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

void WriteConsoleText(HANDLE console, const char16_t* text, std::size_t length) {
    std::fflush(g_output);
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

} // namespace

void SendStdoutToStderr() {
    g_output = stderr;
}

void WriteStdout(const char* text, std::size_t length) {
    const HANDLE console = Console();
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
        WriteConsoleText(console, wide.data(), wide.size());
        text += bytes;
        length -= static_cast<std::size_t>(bytes);
    }
}

void WriteStdoutW(const char16_t* text, std::size_t length) {
    if (const HANDLE console = Console(); console != nullptr) {
        WriteConsoleText(console, text, length);
        return;
    }
    // Converted to the ANSI code page piece by piece.
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
                std::fwrite(bytes.data(), 1, static_cast<std::size_t>(written), g_output);
            }
        }
        text += piece;
        length -= piece;
    }
}

} // namespace platform
