#include "app/user_data.h"

#include "app/run_context.h"
#include "platform/format.h"
#include "platform/terminal_services.h"
#include "platform/text.h"

int GetUserDataFilePath(char16_t* path, std::size_t capacity) {
    constexpr std::size_t kFileNameText = 260;
    char16_t fileName[kFileNameText] = {};
    const platform::DWORD sessionId = platform::WTSGetActiveConsoleSessionId();
    // Without the query, or when it fails, there is no user name: the name part stays empty.
    char16_t* userName = nullptr;
    platform::DWORD bytes = 0;
    if (WTSQuerySessionInformationFunc != nullptr &&
        WTSQuerySessionInformationFunc(platform::WTS_CURRENT_SERVER_HANDLE(), sessionId,
                                       platform::WTSUserName, &userName, &bytes) == platform::kFalse) {
        userName = nullptr;
    }
    // A name or path that does not fit leaves the path empty: cut short, it would name another file.
    if (!platform::FormatWhole(fileName, kFileNameText, u"%s_%s", userName != nullptr ? userName : u"",
                               u"my_lu_data.sys")) {
        platform::WClear(path, capacity);
        return 1;
    }
    platform::FormatWhole(path, capacity, u"%s%s", kStagingFolderW, fileName);
    return 1;
}
