// tintfold-inspect: which profile the tool would choose on this machine, and why, and whether it is in
// effect for the built-in panel, changing nothing.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/diagnostics.h"
#include "app/run_context.h"
#include "app/run_report.h"
#include "app/run_sequence.h"
#include "app/user_data.h"
#include "companions/companion_start.h"
#include "companions/display_profiles.h"
#include "companions/in_effect.h"
#include "companions/inspect_report.h"
#include "platform/color_system.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/text.h"
#include "profile/icm_filename.h"
#include "profile/profile_name.h"
#include "profile/tag_export.h"

namespace {

constexpr int kProfileChosen = 0;
constexpr int kNoProfile = 1;
constexpr int kInEffect = 0;
constexpr int kNotInEffect = 1;
constexpr int kUnusable = 2;
constexpr std::size_t kPathText = 512;

// Resolves the profile as the tool would after its staging copy, and gathers what the tool would use.
void Inspect(Inspection& found) {
    char16_t baseName[kPathText] = {};
    found.profileFound = GetIcmFilename(baseName, kPathText);
    found.monitorDevice = g_szMonitorDevice;
    found.monitorName = g_szMonitorName;
    if (found.profileFound) {
        found.profile = baseName;
        char16_t staged[kPathText] = {};
        ProfileFilePath(staged, kPathText, kStagingFolderW, baseName, false);
        found.profileSource = StagedFileSource(staged);
        for (const ExportedTag& tag : kExportedTags) {
            char16_t text[kPathText] = {};
            ExportedTagText(found.profileSource.c_str(), tag, text, kPathText);
            found.tags.push_back({tag.key, text});
        }
        char16_t cmdef[kPathText] = {};
        found.cmdefExists =
            ProfileFilePath(cmdef, kPathText, kStagingFolderW, baseName, true) && StagedFileExists(cmdef);
        found.cmdefName = cmdef + platform::NameStart(cmdef);
        found.profileStaged = platform::WAccess(staged, 0) == 0;
        std::vector<std::u16string> installed;
        found.installedAnswered = platform::ListColorProfiles(nullptr, installed);
        found.cmdefInstalled =
            std::any_of(installed.begin(), installed.end(), [&](const std::u16string& name) {
                return platform::EqualNoCase(name, found.cmdefName);
            });
    }
    char16_t dataFile[kPathText] = {};
    GetUserDataFilePath(dataFile, kPathText);
    found.dataFile = dataFile;
    found.dataFileExists = platform::WAccess(dataFile, 0) == 0;
    ReadUserDebugSwitch();
    found.registrySwitch = g_bDebugMode;
    found.userSwitch = g_nDebugMessage == 2;
    found.colorSystemAnswered =
        g_szMonitorDevice[0] != 0 && platform::ListColorProfiles(g_szMonitorDevice, found.monitorProfiles);
    const DisplayFunctions functions = FindDisplayFunctions();
    found.display.functions = functions.Present();
    if (const ReportedPath* panel = PanelPath(found.run)) {
        found.display = ReadDisplayProfiles(functions, panel->adapterId, panel->sourceId);
    }
}

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

enum class Output { Text, Json, Verify };

} // namespace

int main(int argc, char** argv) {
    Output output = Output::Text;
    for (int i = 1; i < argc; ++i) {
        const Output asked = std::strcmp(argv[i], "--json") == 0     ? Output::Json
                             : std::strcmp(argv[i], "--verify") == 0 ? Output::Verify
                                                                     : Output::Text;
        if (asked == Output::Text || (output != Output::Text && output != asked)) {
            std::fprintf(stderr, "usage: tintfold-inspect [--json | --verify]\n");
            return kUnusable;
        }
        output = asked;
    }
    if (!StartCompanion(argc, argv, "tintfold-inspect")) {
        return kUnusable;
    }
    Inspection found;
    char16_t programFolder[kProgramFolderText] = {};
    GetProgramFolder(programFolder);
    found.run.programFolder = programFolder;
    g_pRunReport = &found.run;
    Inspect(found);
    g_pRunReport = nullptr;
    EndCompanion();
    if (output == Output::Verify) {
        const Verdict verdict = Verify(found);
        Print(verdict.line + "\n");
        return verdict.inEffect ? kInEffect : kNotInEffect;
    }
    Print(output == Output::Json ? InspectionJson(found) : InspectionText(found));
    return found.profileFound ? kProfileChosen : kNoProfile;
}
