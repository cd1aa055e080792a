// A package folder: its "*.icm" entries, their names, their pairs and their letter-case collisions, and
// the "*.icc" profiles that the tool leaves behind.
#include <map>

#include "companions/package_check.h"
#include "discovery/display_discovery.h"
#include "panel/panel_candidates.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

// What the tool stages, and the other common ending of profile files, which it does not.
constexpr char16_t kProfilePattern[] = u"*.icm";
constexpr char16_t kUnstagedPattern[] = u"*.icc";

// A name in the folder; a folder given with its trailing separator ("C:\\") gets no second one.
std::u16string InFolder(const std::u16string& folder, std::u16string_view name) {
    const bool separated = !folder.empty() && platform::IsPathSeparator(folder.back());
    return folder + (separated ? u"" : u"\\") + std::u16string(name);
}

void CheckName(FileReport& report, platform::UINT codePage) {
    ProfileName parts;
    if (!ParseProfileName(report.name, parts)) {
        AddProblem(report, u"the name is not BOARD_VENDOR_PANEL.icm or BOARD_VENDOR_PANEL_CMDEF.icm: the "
                           u"tool never chooses it");
        return;
    }
    if (!IsPanelCandidate(platform::UpperAsciiText(parts.panel))) {
        AddProblem(report, u"panel \"%s\" is not eight hexadecimal digits: no panel identifier matches it",
                   parts.panel);
    }
    if (parts.vendor.size() > kVendorIdUnits) {
        AddProblem(report,
                   u"vendor \"%s\" is longer than an adapter's four-character vendor identifier: no "
                   u"machine matches it",
                   parts.vendor);
    }
    if (!CarriedByCodePage(codePage, report.name)) {
        AddProblem(report, u"the name has characters that code page %u cannot carry: the tool cannot open it",
                   codePage);
    }
    report.parts = parts;
}

// Two names that differ only in letter case are one file once staged: a problem of each.
void CheckCaseCollisions(std::vector<FileReport>& reports) {
    std::map<std::u16string, int> counts;
    for (const FileReport& report : reports) {
        ++counts[platform::UpperAsciiText(report.name)];
    }
    for (FileReport& report : reports) {
        if (counts[platform::UpperAsciiText(report.name)] > 1) {
            AddProblem(report, u"another file's name differs from this one only in letter case: one replaces "
                               u"the other when staged");
        }
    }
}

std::u16string BaseNameKey(const ProfileName& parts) {
    // File look-ups on Windows ignore letter case.
    return platform::UpperAsciiText(parts.board + kNameSeparator + parts.vendor + kNameSeparator +
                                    parts.panel);
}

// Every factory profile has its colour-management variant, and every variant its factory profile.
void CheckPairs(std::vector<FileReport>& reports) {
    std::map<std::u16string, int> factories;
    std::map<std::u16string, int> variants;
    for (const FileReport& report : reports) {
        if (report.parts) {
            ++(report.parts->cmdef ? variants : factories)[BaseNameKey(*report.parts)];
        }
    }
    for (FileReport& report : reports) {
        if (!report.parts) {
            continue;
        }
        const std::u16string base = report.parts->board + kNameSeparator + report.parts->vendor +
                                    kNameSeparator + report.parts->panel;
        if (!report.parts->cmdef && variants.count(BaseNameKey(*report.parts)) == 0) {
            AddProblem(report, u"its colour-management variant %s_CMDEF.icm is missing", base);
        } else if (report.parts->cmdef && factories.count(BaseNameKey(*report.parts)) == 0) {
            AddProblem(report, u"its factory profile %s.icm is missing", base);
        }
    }
}

// The entries that match the pattern; false when the folder cannot be searched.
bool ListEntries(const std::u16string& folderPath, const char16_t* pattern,
                 std::vector<FolderEntry>& entries) {
    const std::u16string search = InFolder(folderPath, pattern);
    platform::Win32FindDataW data{};
    platform::Handle found = platform::FindFirstFileW(search.c_str(), &data);
    if (found == platform::InvalidHandleValue()) {
        // A folder without such files is still a folder.
        return platform::GetLastError() == platform::ERROR_FILE_NOT_FOUND;
    }
    do {
        data.cFileName[std::size(data.cFileName) - 1] = u'\0';
        entries.push_back({data.cFileName, data.dwFileAttributes});
    } while (platform::FindNextFileW(found, &data));
    platform::FindClose(found);
    return true;
}

// A folder without a factory profile gives the tool nothing to choose on any machine.
void CheckHasFactoryProfile(FolderReport& folder) {
    for (const FileReport& report : folder.files) {
        if (report.parts && !report.parts->cmdef) {
            return;
        }
    }
    AddProblem(folder,
               u"no factory profile BOARD_VENDOR_PANEL.icm in the folder: the tool chooses no profile, "
               u"so it exports and associates nothing");
}

} // namespace

bool ListPackageFolder(const std::u16string& folderPath, FolderListing& listing) {
    std::vector<FolderEntry> unstaged;
    if (!ListEntries(folderPath, kProfilePattern, listing.staged) ||
        !ListEntries(folderPath, kUnstagedPattern, unstaged)) {
        return false;
    }
    for (const FolderEntry& entry : unstaged) {
        listing.unstaged.push_back(entry.name);
    }
    return true;
}

FolderReport CheckFolder(const std::u16string& shownFolder, const std::u16string& folderPath,
                         const FolderListing& listing, platform::UINT codePage) {
    FolderReport folder{shownFolder, {}, listing.unstaged, {}};
    std::vector<FileReport>& reports = folder.files;
    for (const FolderEntry& entry : listing.staged) {
        FileReport report;
        report.folder = shownFolder;
        report.name = entry.name;
        CheckName(report, codePage);
        if ((entry.attributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0) {
            AddProblem(report, u"a folder, not a profile file");
        } else {
            CheckProfileFile(InFolder(folderPath, entry.name), codePage, report);
        }
        reports.push_back(std::move(report));
    }
    CheckCaseCollisions(reports);
    CheckPairs(reports);
    CheckHasFactoryProfile(folder);
    return folder;
}
