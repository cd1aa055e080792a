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

// Adds a problem, formatted with the tool's formatter.
template <typename... Args> void AddProblem(FileReport& report, const char16_t* format, const Args&... args) {
    const platform::FormatArg list[] = {platform::FormatArg(args)..., platform::FormatArg(0)};
    report.problems.push_back(
        platform::FormatWideString(format, std::span<const platform::FormatArg>(list, sizeof...(Args))));
}

// The entries of the folder (path as the platform reads it) that match "*.icm", in listing order.
// False when the folder cannot be searched (it does not exist, or is no folder).
bool ListProfileEntries(const std::u16string& folderPath, std::vector<FolderEntry>& entries);

// The reports of one folder's entries: the name, the pairs and letter-case collisions, and each file.
std::vector<FileReport> CheckFolder(const std::u16string& shownFolder, const std::u16string& folderPath,
                                    const std::vector<FolderEntry>& entries, platform::UINT codePage);

// The problems of one profile file's content, and for a factory profile its tag texts.
void CheckProfileFile(const std::u16string& path, platform::UINT codePage, FileReport& report);

// Whether every character of text can be carried by the code page (and so written and read back).
bool CarriedByCodePage(platform::UINT codePage, const std::u16string& text);

// The reports for a person: one line a file and a summary; or one JSON object.
std::u16string FormatTextReport(const std::vector<FileReport>& reports);
std::string FormatJsonReport(const std::vector<FileReport>& reports);
