// The check's report: a line a file and a summary for a person, or one JSON object for a program.
#include <algorithm>
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

std::size_t CountSound(const std::vector<FileReport>& reports) {
    std::size_t sound = 0;
    for (const FileReport& report : reports) {
        sound += report.problems.empty() ? 1U : 0U;
    }
    return sound;
}

void AppendTextLine(std::u16string& out, const FileReport& report) {
    out += report.name;
    if (report.parts) {
        out += u"  board " + report.parts->board + u"  vendor " + report.parts->vendor + u"  panel " +
               report.parts->panel;
        if (report.parts->cmdef) {
            out += u"  colour-management variant";
        }
    }
    for (std::size_t i = 0; i < report.tags.size() && i < std::size(kExportedTags); ++i) {
        out += u"  " + TagName(kExportedTags[i]) + u" ";
        out += report.tags[i] ? u"\"" + *report.tags[i] + u"\"" : u"-";
    }
    if (report.problems.empty()) {
        out += u"  ok\n";
        return;
    }
    out += u"  PROBLEMS: ";
    for (std::size_t i = 0; i < report.problems.size(); ++i) {
        out += (i == 0 ? u"" : u"; ") + report.problems[i];
    }
    out += u"\n";
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

void AppendJsonFile(std::string& out, const FileReport& report) {
    out += "{\"name\": ";
    AppendJsonString(out, report.name);
    out += ", \"folder\": ";
    AppendJsonString(out, report.folder);
    if (report.parts) {
        out += ", \"board\": ";
        AppendJsonString(out, report.parts->board);
        out += ", \"vendor\": ";
        AppendJsonString(out, report.parts->vendor);
        out += ", \"panel\": ";
        AppendJsonString(out, report.parts->panel);
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
    out += ", \"problems\": [";
    for (std::size_t i = 0; i < report.problems.size(); ++i) {
        out += i == 0 ? "" : ", ";
        AppendJsonString(out, report.problems[i]);
    }
    out += "]}";
}

} // namespace

std::u16string FormatTextReport(const std::vector<FileReport>& reports) {
    std::u16string out;
    // With several folders, each folder's lines follow its name.
    const bool severalFolders = std::any_of(reports.begin(), reports.end(), [&](const FileReport& report) {
        return report.folder != reports.front().folder;
    });
    for (std::size_t i = 0; i < reports.size(); ++i) {
        if (severalFolders && (i == 0 || reports[i].folder != reports[i - 1].folder)) {
            out += reports[i].folder + u":\n";
        }
        AppendTextLine(out, reports[i]);
    }
    const std::size_t sound = CountSound(reports);
    const platform::FormatArg args[] = {platform::FormatArg(reports.size()), platform::FormatArg(sound),
                                        platform::FormatArg(reports.size() - sound)};
    out += platform::FormatWideString(u"%llu profile files checked: %llu sound, %llu with problems\n", args);
    return out;
}

std::string FormatJsonReport(const std::vector<FileReport>& reports) {
    std::string out = "{\"files\": [";
    for (std::size_t i = 0; i < reports.size(); ++i) {
        out += i == 0 ? "\n  " : ",\n  ";
        AppendJsonFile(out, reports[i]);
    }
    const std::size_t sound = CountSound(reports);
    const platform::FormatArg args[] = {platform::FormatArg(reports.size()), platform::FormatArg(sound),
                                        platform::FormatArg(reports.size() - sound)};
    out += platform::FormatNarrowString(
        "\n], \"summary\": {\"files\": %llu, \"sound\": %llu, \"withProblems\": %llu}}\n", args);
    return out;
}
