#include "app/run_report.h"

#include "platform/files.h"
#include "platform/text.h"

RunReport* g_pRunReport = nullptr;

namespace {

// The program folder's copy of a staged file; empty when no program folder is reported.
std::u16string ProgramFolderCopy(const char16_t* stagedPath) {
    if (g_pRunReport == nullptr || g_pRunReport->programFolder.empty()) {
        return {};
    }
    const std::u16string_view path(stagedPath);
    return g_pRunReport->programFolder + std::u16string(path.substr(platform::NameStart(path)));
}

} // namespace

std::u16string StagedFileSource(const char16_t* stagedPath) {
    const std::u16string copy = ProgramFolderCopy(stagedPath);
    if (!copy.empty() && platform::WAccess(copy.c_str(), 0) == 0) {
        return copy;
    }
    return stagedPath;
}

bool StagedFileExists(const char16_t* stagedPath) {
    return platform::WAccess(StagedFileSource(stagedPath).c_str(), 0) == 0;
}
