// tintfold-check: checks a profile package before it ships, as the tool will read it.
//
//   tintfold-check [--json] [--code-page N] FOLDER...
//
// Exit status 0 when no file and no folder has a problem, 1 when any has, 2 for bad usage.
#include <string>
#include <vector>

#include "companions/package_check.h"
#include "platform/code_page.h"
#include "platform/command_line.h"
#include "platform/console.h"
#include "platform/host_folders.h"

namespace {

constexpr int kSound = 0;
constexpr int kProblems = 1;
constexpr int kBadUsage = 2;

constexpr char16_t kUsage[] =
    u"usage: tintfold-check [--json] [--code-page N] FOLDER...\n"
    u"  checks every *.icm in each FOLDER: names, pairs, layout and the private tags the tool exports;\n"
    u"  a FOLDER without a factory profile is a problem, and *.icc files are listed as not staged\n"
    u"  --json          one JSON object instead of a line a file\n"
    u"  --code-page N   the ANSI code page the tags' text must fit (default 1252)\n";

int BadUsage(const std::u16string& message) {
    const std::u16string text = u"tintfold-check: " + message + u"\n" + kUsage;
    platform::WriteStderrW(text.c_str(), text.size());
    return kBadUsage;
}

std::vector<std::u16string> Arguments() {
    int count = 0;
    char16_t** args = platform::CommandLineToArgvW(platform::GetCommandLineW(), &count);
    std::vector<std::u16string> list;
    for (int i = 1; args != nullptr && i < count; ++i) {
        list.emplace_back(args[i]);
    }
    platform::LocalFree(static_cast<void*>(args));
    return list;
}

// A code page number that this system converts.
bool ParseCodePage(const std::u16string& text, platform::UINT& codePage) {
    constexpr platform::UINT kLargest = 65535;
    platform::UINT value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9' || value > kLargest) {
            return false;
        }
        value = value * 10 + static_cast<platform::UINT>(c - u'0');
    }
    char16_t probe[1] = {};
    if (text.empty() || value == platform::CP_ACP || value > kLargest ||
        platform::MultiByteToWideChar(value, 0, "A", 1, probe, 1) != 1) {
        return false;
    }
    codePage = value;
    return true;
}

// The options, or a message for bad usage.
std::u16string ParseOptions(const std::vector<std::u16string>& args, CheckOptions& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == u"--json") {
            options.json = true;
        } else if (args[i] == u"--code-page") {
            if (i + 1 == args.size() || !ParseCodePage(args[i + 1], options.codePage)) {
                return i + 1 == args.size()
                           ? u"--code-page needs a number"
                           : u"code page " + args[i + 1] + u" is not one this system converts";
            }
            if (!TakesCheckFlags(options.codePage)) {
                return u"code page " + args[i + 1] +
                       u" cannot be checked: the system converts it only without the flags that find "
                       u"characters it cannot carry";
            }
            ++i;
        } else if (args[i].starts_with(u"--")) {
            return u"unknown option " + args[i];
        } else {
            options.folders.push_back(args[i]);
        }
    }
    return options.folders.empty() ? u"no folder given" : u"";
}

int RunCheck() {
    CheckOptions options;
    const std::u16string usageError = ParseOptions(Arguments(), options);
    if (!usageError.empty()) {
        return BadUsage(usageError);
    }
    // Every folder is looked at before anything is checked, so that bad usage reports nothing else.
    std::vector<std::u16string> paths;
    std::vector<FolderListing> listings(options.folders.size());
    for (std::size_t i = 0; i < options.folders.size(); ++i) {
        paths.push_back(platform::HostFolderPath(options.folders[i].c_str()));
        if (!ListPackageFolder(paths[i], listings[i])) {
            return BadUsage(u"folder " + options.folders[i] + u" does not exist or is not a folder");
        }
    }
    std::vector<FolderReport> reports;
    for (std::size_t i = 0; i < options.folders.size(); ++i) {
        reports.push_back(CheckFolder(options.folders[i], paths[i], listings[i], options.codePage));
    }
    if (options.json) {
        const std::string json = FormatJsonReport(reports);
        platform::WriteStdout(json.c_str(), json.size());
    } else {
        const std::u16string text = FormatTextReport(reports);
        platform::WriteStdoutW(text.c_str(), text.size());
    }
    return AnyProblem(reports) ? kProblems : kSound;
}

} // namespace

int main(int argc, char** argv) {
    platform::StartHostProcess(argc, argv);
    const int status = RunCheck();
    platform::EndHostProcess();
    return status;
}
