#include "profile/tag_export.h"

#include "app/diagnostics.h"
#include "app/plain_file.h"
#include "app/run_context.h"
#include "app/user_data.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/profile_strings.h"
#include "platform/text.h"
#include "profile/icm_filename.h"
#include "profile/profile_name.h"

namespace {

constexpr std::size_t kPathText = 512;

} // namespace

// A value ends at the end of its line: a line break written into the data file would add lines of the
// profile's choosing to it (another section, another key). What a reader of the file sees is the same.
bool EndAtLineBreak(char16_t* text) {
    for (; *text != 0; ++text) {
        if (*text == u'\r' || *text == u'\n') {
            *text = 0;
            return true;
        }
    }
    return false;
}

void ExportedTagText(const char16_t* profilePath, const ExportedTag& tag, char16_t* text,
                     std::size_t capacity) {
    platform::WClear(text, capacity);
    ParserICCTag(profilePath, text, capacity, tag.signature);
    EndAtLineBreak(text);
}

void GetICMTagContent() {
    char16_t dataFile[kPathText] = {};
    GetUserDataFilePath(dataFile, kPathText);
    char16_t baseName[kPathText] = {};
    GetIcmFilename(baseName, kPathText);

    // Names that do not fit stay empty, so they name no file.
    ProfileFilePath(g_szCmdefName, kContextText, u"", baseName, true);
    ProfileFilePath(g_szCmdefPath, kContextText, kStagingFolderW, baseName, true);
    char16_t profilePath[kPathText] = {};
    ProfileFilePath(profilePath, kPathText, kStagingFolderW, baseName, false);

    if (g_bDebugMode) {
        PrintConsoleW(u"[Tintfold] [ICMTagHandler]\nini: ");
        PrintConsoleW(u"%s", dataFile);
        PrintConsoleW(u"\nicm: ");
        PrintConsoleW(u"%s", profilePath);
        PrintConsoleW(u"\n");
    }

    if (platform::WAccess(dataFile, 0) != 0) {
        TraceA("ICMTagHandler - ini file not exist.");
        return;
    }
    // The data file is written only as a plain file, held so that no link can take its place meanwhile.
    bool linked = false;
    const platform::Handle held =
        OpenPlainFile(dataFile, platform::GENERIC_READ, kKeepInPlace, platform::OPEN_EXISTING, linked);
    if (held == platform::InvalidHandleValue()) {
        TraceA(linked ? "ICMTagHandler - ini file is a link, no tag written."
                      : "ICMTagHandler - ini file cannot be held, no tag written.");
        return;
    }
    // Tags come only from a plain profile of the tool's (owned by SYSTEM, the Administrators or the run's own
    // account), held so that nobody changes it meanwhile: not from a file someone else left under its name.
    const bool profileExists = platform::WAccess(profilePath, 0) == 0;
    const platform::Handle profile =
        profileExists ? HoldStagedFile(profilePath) : platform::InvalidHandleValue();
    if (profileExists && profile == platform::InvalidHandleValue()) {
        TraceA("GetICMTagContent - icm file is not a plain file of the tool's, no tag written.");
    }
    char16_t tagText[kTagText] = {};
    for (const ExportedTag& tag : kExportedTags) {
        if (platform::WAccess(profilePath, 0) != 0) {
            TraceA("GetICMTagContent - icm file not exist.");
            continue;
        }
        if (profile == platform::InvalidHandleValue()) {
            break;
        }
        // Its owner may still set a reparse point on the held data file, which the write would follow.
        if (!StillNamesHeldFile(held, dataFile)) {
            TraceA("ICMTagHandler - ini file was changed into another file, no more tags written.");
            break;
        }
        ExportedTagText(profilePath, tag, tagText, kTagText);
        platform::WritePrivateProfileStringW(u"ICMTag", tag.key, tagText, dataFile);
    }
    if (profile != platform::InvalidHandleValue()) {
        platform::CloseHandle(profile);
    }
    platform::CloseHandle(held);
}
