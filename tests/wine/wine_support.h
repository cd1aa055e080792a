// Helpers for the tests of the Windows backend under Wine: running Wine's own programs (reg, wmic,
// cmd) and the tool, and throw-away folders.
#pragma once

#include <string>

namespace wine_test {

struct ProcessResult {
    unsigned long exitCode = 0;
    // Standard output and standard error, as the program wrote them.
    std::string output;
};

// Runs a command line (program and arguments, as CreateProcessW takes them) to its end.
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
