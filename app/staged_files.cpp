#include "app/staged_files.h"

#include <string>
#include <unordered_set>

#include "platform/text.h"

namespace {

std::unordered_set<std::u16string>& StagedFiles() {
    static std::unordered_set<std::u16string> files;
    return files;
}

} // namespace

void NoteStagedFile(const char16_t* path) {
    StagedFiles().insert(platform::WFoldNoCase(path));
}

bool WasStagedThisRun(const char16_t* path) {
    return StagedFiles().count(platform::WFoldNoCase(path)) != 0;
}

void ForgetStagedFiles() {
    StagedFiles().clear();
}
