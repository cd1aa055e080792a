// The package check: every profile file of a package folder held to what the tool needs of it. A
// folder's names, pairs and letter case are folder_check.cpp's, a file's layout and tags
// profile_check.cpp's, the plain and JSON reports check_report.cpp's.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/format.h"
#include "platform/types.h"
#include "profile/profile_name.h"

inline constexpr platform::UINT kDefaultCheckCodePage = 1252;

struct CheckOptions {
    bool json = false;
    platform::UINT codePage = kDefaultCheckCodePage;
    // The folders as given on the command line.
    std::vector<std::u16string> folders;
};

// One entry of a folder that matches "*.icm".
struct FolderEntry {
    std::u16string name;
    platform::DWORD attributes = 0;
};

// What a package folder holds: the entries that the tool stages ("*.icm"), and the names of the
// profiles beside them that it does not ("*.icc").
struct FolderListing {
    std::vector<FolderEntry> staged;
    std::vector<std::u16string> unstaged;
};

struct FileReport {
    std::u16string folder;
    std::u16string name;
    // The name's parts, when it has the form of a profile name.
    std::optional<ProfileName> parts;
    // The text the tool exports for each private tag, in export order; no value where a tag gives none.
    // Empty for a file whose tags are not read (a variant, or a file that cannot be read).
    std::vector<std::optional<std::u16string>> tags;
    std::vector<std::u16string> problems;
};

// One package folder: the reports of its files, the profiles in it that the tool does not stage, and
// the problems of the folder as a whole.
struct FolderReport {
    std::u16string folder;
    std::vector<FileReport> files;
    std::vector<std::u16string> unstaged;
    std::vector<std::u16string> problems;
};

// Adds a problem to a file's or a folder's report, formatted with the tool's formatter.
template <typename Report, typename... Args>
void AddProblem(Report& report, const char16_t* format, const Args&... args) {
    const platform::FormatArg list[] = {platform::FormatArg(args)..., platform::FormatArg(0)};
    report.problems.push_back(
        platform::FormatWideString(format, std::span<const platform::FormatArg>(list, sizeof...(Args))));
}

// What the folder (path as the platform reads it) holds, each list in listing order. False when the
// folder cannot be searched (it does not exist, or is no folder).
bool ListPackageFolder(const std::u16string& folderPath, FolderListing& listing);

// The report of one folder: each entry's name, the pairs and letter-case collisions, each file, and
// whether the folder has a factory profile at all.
FolderReport CheckFolder(const std::u16string& shownFolder, const std::u16string& folderPath,
                         const FolderListing& listing, platform::UINT codePage);

// The problems of one profile file's content, and for a factory profile its tag texts.
void CheckProfileFile(const std::u16string& path, platform::UINT codePage, FileReport& report);

// Whether every character of text can be carried by the code page (and so written and read back).
bool CarriedByCodePage(platform::UINT codePage, const std::u16string& text);

// Whether the code page takes the flags the check converts with: strict decoding, and encoding without a
// best fit. Windows refuses them for some code pages (ERROR_INVALID_FLAGS), such as 50220 to 50229, 52936 and
// 57002 to 57011, whose text the check then cannot judge.
bool TakesCheckFlags(platform::UINT codePage);

// Control characters (C0, DEL and C1): a terminal, or a program that reads the text, may act on them.
constexpr bool IsControlCharacter(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

// The reports for a person: one line a file, the folders' own lines and a summary; or one JSON object.
std::u16string FormatTextReport(const std::vector<FolderReport>& reports);
std::string FormatJsonReport(const std::vector<FolderReport>& reports);
// Whether any file or folder has a problem.
bool AnyProblem(const std::vector<FolderReport>& reports);
