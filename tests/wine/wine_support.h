// Helpers for the tests of the Windows backend under Wine: running Wine's own programs (reg, wmic,
// cmd) and the tool, and throw-away folders.
#pragma once

#include <string>
#include <string_view>

namespace wine_test {

// Windows text as the platform layer's UTF-16, and back.
inline std::u16string U(const std::wstring& text) {
    return {text.begin(), text.end()};
}
inline std::wstring W(std::u16string_view text) {
    return {text.begin(), text.end()};
}

struct ProcessResult {
    unsigned long exitCode = 0;
    // Standard output and standard error, as the program wrote them.
    std::string output;
};

// A started process whose standard output and standard error go into one pipe.
struct Child {
    void* process = nullptr;
    void* thread = nullptr;
    void* output = nullptr;
};

// Starts a command line (program and arguments, as CreateProcessW takes them) with standard input
// from NUL; creationFlags as CreateProcessW takes them. Throws when the process cannot start.
Child Start(const std::wstring& commandLine, unsigned long creationFlags);
// Everything the process writes, until it closes its end.
std::string ReadAll(void* pipe);
// Waits for the process to end, releases its handles and gives its exit code.
unsigned long Finish(Child& child);

// A Linux path (a built program) as Wine's drive Z: (the Linux root) shows it.
std::wstring OnDriveZ(const char* linuxPath);

// Runs a command line to its end.
ProcessResult Run(const std::wstring& commandLine);

// Runs a command through cmd /c; true when it ends with 0.
bool Shell(const std::wstring& command);

// A new empty folder below the temporary folder; removed with everything in it by RemoveTree.
std::wstring MakeTempFolder();
void RemoveTree(const std::wstring& folder);

void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
bool Exists(const std::wstring& path);

// Text that a Wine program wrote in UTF-16 (wmic) or in the ANSI code page, as UTF-16.
std::wstring DecodeOutput(const std::string& bytes);

// A minimal valid ICC profile (display class, RGB, XYZ connection space) with a white point and the
// given private text-description tags.
struct TextTag {
    unsigned signature;
    std::string text;
};
std::string MakeProfile(std::initializer_list<TextTag> tags);

} // namespace wine_test
