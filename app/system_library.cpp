#include "app/system_library.h"

#include "platform/format.h"
#include "platform/library.h"
#include "platform/text.h"

void GetSystemDirectoryPath(char16_t* directory) {
    platform::WClear(directory, kSystemPathText);
    const platform::UINT length = platform::GetSystemDirectoryW(directory, kSystemPathText);
    if (length == 0 || length >= kSystemPathText) {
        platform::WClear(directory, kSystemPathText);
    }
}

void SystemLibraryPath(const char16_t* systemDirectory, const char16_t* fileName, char16_t* path) {
    platform::WClear(path, kSystemPathText);
    if (systemDirectory[0] != 0) {
        platform::FormatWhole(path, kSystemPathText, u"%s\\%s", systemDirectory, fileName);
    }
}

platform::HMODULE LoadSystemLibrary(const char16_t* fileName) {
    char16_t systemDirectory[kSystemPathText] = {};
    char16_t libraryPath[kSystemPathText] = {};
    GetSystemDirectoryPath(systemDirectory);
    SystemLibraryPath(systemDirectory, fileName, libraryPath);
    return libraryPath[0] != 0 ? platform::LoadLibraryW(libraryPath) : nullptr;
}
