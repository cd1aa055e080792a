// The check's report: a line a file, the folders' own lines and a summary for a person, or one JSON
// object for a program.
#include <cstdint>

#include "companions/package_check.h"
#include "platform/text.h"
#include "profile/tag_export.h"

namespace {

std::u16string TagName(const ExportedTag& tag) {
    std::u16string name;
    for (int shift = 24; shift >= 0; shift -= 8) {
        name.push_back(static_cast<char16_t>((tag.signature >> shift) & 0xFF));
    }
    return name;
}

// The files, sound ones and the folders with problems of their own, over every folder.
struct Counts {
    std::size_t files = 0;
    std::size_t sound = 0;
    std::size_t folderProblems = 0;
};

Counts Count(const std::vector<FolderReport>& reports) {
    Counts counts;
    for (const FolderReport& folder : reports) {
        counts.files += folder.files.size();
        counts.folderProblems += folder.problems.empty() ? 0U : 1U;
        for (const FileReport& report : folder.files) {
            counts.sound += report.problems.empty() ? 1U : 0U;
        }
    }
    return counts;
}

// Text as the plain report shows it: a control character as a \u escape, so that none reaches the
// terminal; in a quoted text also the quote and the backslash, so that the text's end is plain.
std::u16string Shown(std::u16string_view text, bool quoted = false) {
    std::u16string shown;
    for (const char16_t c : text) {
        if (IsControlCharacter(c)) {
            const platform::FormatArg args[] = {platform::FormatArg(static_cast<uint32_t>(c))};
            shown += platform::FormatWideString(u"\\u%04X", args);
        } else {
            if (quoted && (c == u'"' || c == u'\\')) {
                shown += u'\\';
            }
            shown += c;
        }
    }
    return shown;
}

void AppendProblems(std::u16string& out, const std::vector<std::u16string>& problems) {
    for (std::size_t i = 0; i < problems.size(); ++i) {
        out += (i == 0 ? u"" : u"; ") + Shown(problems[i]);
    }
}

void AppendTextLine(std::u16string& out, const FileReport& report) {
    out += Shown(report.name);
    if (report.parts) {
        out += u"  board " + Shown(report.parts->board) + u"  vendor " + Shown(report.parts->vendor) +
               u"  panel " + Shown(report.parts->panel);
        if (report.parts->cmdef) {
            out += u"  colour-management variant";
        }
    }
    for (std::size_t i = 0; i < report.tags.size() && i < std::size(kExportedTags); ++i) {
        out += u"  " + TagName(kExportedTags[i]) + u" ";
        out += report.tags[i] ? u"\"" + Shown(*report.tags[i], true) + u"\"" : u"-";
    }
    if (report.problems.empty()) {
        out += u"  ok\n";
        return;
    }
    out += u"  PROBLEMS: ";
    AppendProblems(out, report.problems);
    out += u"\n";
}

// The folder's own lines: the profiles it does not stage, and its problems.
void AppendFolderLines(std::u16string& out, const FolderReport& folder) {
    for (const std::u16string& name : folder.unstaged) {
        out += Shown(name) + u"  not staged: the tool stages only *.icm files\n";
    }
    if (!folder.problems.empty()) {
        out += u"folder " + Shown(folder.folder) + u"  PROBLEMS: ";
        AppendProblems(out, folder.problems);
        out += u"\n";
    }
}

// A JSON string in ASCII: every other character as its \u escape, so that the text is the same in
// every code page.
void AppendJsonString(std::string& out, std::u16string_view text) {
    out += '"';
    for (const char16_t c : text) {
        if (c == u'"' || c == u'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) {
                out += platform::LowerHexDigit(static_cast<unsigned>(c >> shift));
            }
        }
    }
    out += '"';
}

// A member after the object's first: its key, then the value that the caller appends.
void AppendJsonKey(std::string& out, const char* key) {
    out += ", \"";
    out += key;
    out += "\": ";
}

void AppendJsonText(std::string& out, const char* key, std::u16string_view text) {
    AppendJsonKey(out, key);
    AppendJsonString(out, text);
}

void AppendJsonTexts(std::string& out, const char* key, const std::vector<std::u16string>& texts) {
    AppendJsonKey(out, key);
    out += "[";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        out += i == 0 ? "" : ", ";
        AppendJsonString(out, texts[i]);
    }
    out += "]";
}

void AppendJsonFile(std::string& out, const FileReport& report) {
    out += "{\"name\": ";
    AppendJsonString(out, report.name);
    AppendJsonText(out, "folder", report.folder);
    if (report.parts) {
        AppendJsonText(out, "board", report.parts->board);
        AppendJsonText(out, "vendor", report.parts->vendor);
        AppendJsonText(out, "panel", report.parts->panel);
        out += report.parts->cmdef ? ", \"variant\": true" : ", \"variant\": false";
    }
    if (!report.tags.empty()) {
        out += ", \"tags\": {";
        for (std::size_t i = 0; i < report.tags.size() && i < std::size(kExportedTags); ++i) {
            out += i == 0 ? "" : ", ";
            AppendJsonString(out, TagName(kExportedTags[i]));
            out += ": ";
            if (report.tags[i]) {
                AppendJsonString(out, *report.tags[i]);
            } else {
                out += "null";
            }
        }
        out += "}";
    }
    AppendJsonTexts(out, "problems", report.problems);
    out += "}";
}

void AppendJsonFolder(std::string& out, const FolderReport& folder) {
    out += "{\"folder\": ";
    AppendJsonString(out, folder.folder);
    AppendJsonTexts(out, "notStaged", folder.unstaged);
    AppendJsonTexts(out, "problems", folder.problems);
    out += "}";
}

} // namespace

std::u16string FormatTextReport(const std::vector<FolderReport>& reports) {
    std::u16string out;
    // With several folders, each folder's lines follow its name.
    for (const FolderReport& folder : reports) {
        if (reports.size() > 1) {
            out += Shown(folder.folder) + u":\n";
        }
        for (const FileReport& report : folder.files) {
            AppendTextLine(out, report);
        }
        AppendFolderLines(out, folder);
    }
    const Counts counts = Count(reports);
    const platform::FormatArg args[] = {platform::FormatArg(counts.files), platform::FormatArg(counts.sound),
                                        platform::FormatArg(counts.files - counts.sound)};
    out += platform::FormatWideString(u"%llu profile files checked: %llu sound, %llu with problems", args);
    const platform::FormatArg folderArgs[] = {platform::FormatArg(counts.folderProblems)};
    out += counts.folderProblems == 0
               ? u"\n"
               : platform::FormatWideString(u"; folders with problems of their own: %llu\n", folderArgs);
    return out;
}

std::string FormatJsonReport(const std::vector<FolderReport>& reports) {
    std::string out = "{\"files\": [";
    bool first = true;
    for (const FolderReport& folder : reports) {
        for (const FileReport& report : folder.files) {
            out += first ? "\n  " : ",\n  ";
            first = false;
            AppendJsonFile(out, report);
        }
    }
    out += "\n], \"folders\": [";
    for (std::size_t i = 0; i < reports.size(); ++i) {
        out += i == 0 ? "\n  " : ",\n  ";
        AppendJsonFolder(out, reports[i]);
    }
    const Counts counts = Count(reports);
    const platform::FormatArg args[] = {platform::FormatArg(counts.files), platform::FormatArg(counts.sound),
                                        platform::FormatArg(counts.files - counts.sound),
                                        platform::FormatArg(counts.folderProblems)};
    out +=
        platform::FormatNarrowString("\n], \"summary\": {\"files\": %llu, \"sound\": %llu, \"withProblems\": "
                                     "%llu, \"foldersWithProblems\": %llu}}\n",
                                     args);
    return out;
}

bool AnyProblem(const std::vector<FolderReport>& reports) {
    const Counts counts = Count(reports);
    return counts.sound != counts.files || counts.folderProblems != 0;
}
