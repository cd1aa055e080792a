#include "app/run_sequence.h"

#include "app/association.h"
#include "app/diagnostics.h"
#include "app/folder_security.h"
#include "app/plain_file.h"
#include "app/run_context.h"
#include "app/staged_files.h"
#include "app/system_library.h"
#include "platform/com.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/library.h"
#include "platform/security.h"
#include "platform/text.h"
#include "profile/tag_export.h"

using namespace platform;

namespace {

constexpr std::size_t kSequenceText = 512;
constexpr std::size_t kCopyPathText = 1024;
constexpr std::size_t kDriveText = 3;
constexpr std::size_t kDirectoryText = 256;
constexpr int kLibraryLoadFailed = -11;

// Echoes every argument of the command line. False when the command line cannot be split.
bool EchoCommandLine() {
    int count = 0;
    char16_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (args == nullptr) {
        PrintConsoleW(u"CommandLineToArgvW failed\n");
        return false;
    }
    for (int i = 0; i < count; ++i) {
        PrintConsoleA("%d: %ws\n", i, args[i]);
    }
    LocalFree(static_cast<void*>(args));
    return true;
}

void ReportLookup(const char* pointerName, bool found) {
    if (found) {
        TraceA("%s is not NULL", pointerName);
    } else {
        TraceA("%s is NULL, error: 0x%08X", pointerName, GetLastError());
    }
}

void EnsureStagingFolder() {
    const DWORD attributes = GetFileAttributesA(kStagingDirA);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        // The staging folder never exists without its own list, not even for a moment.
        SHCreateDirectoryExW(nullptr, kStagingFolderW, StagingFolderAttributes());
    }
}

// The first length units of the staging folder's path.
void StagingPrefix(std::size_t length, char16_t (&path)[kCopyPathText]) {
    WClear(path, kCopyPathText);
    for (std::size_t k = 0; k < length && kStagingDirW[k] != 0 && k + 1 < kCopyPathText; ++k) {
        path[k] = kStagingDirW[k];
    }
}

void LeaveStagingFolderAlone(const HeldFolders& held) {
    char16_t path[kCopyPathText] = {};
    StagingPrefix(held.failedLength, path);
    TraceA("Staging folder - a folder on its path is a link or cannot be checked, the staging folder is left "
           "alone");
    PrintConsoleA("Staging folder left alone: %ws is a link or cannot be held\n", path);
}

// Checks the run's own folders of the staging path, those below C:\ProgramData, taking back what is not
// the run's to use as it is.
bool CheckRunFolders(const HeldFolders& held) {
    constexpr std::size_t kSystemFolders = 1;
    const std::size_t stagingLength = WLen(kStagingDirW);
    for (std::size_t i = kSystemFolders; i < held.folders; ++i) {
        char16_t path[kCopyPathText] = {};
        StagingPrefix(held.lengths[i], path);
        if (!CheckRunFolder(held.handles[i], path, held.lengths[i] == stagingLength)) {
            return false;
        }
    }
    return true;
}

// Holds the staging folder and each folder above it, creating the missing ones, and checks the run's own
// folders. False when one of them is a link, cannot be held, or is someone else's and cannot be taken back:
// the folder is then someone else's choice, and the run leaves it alone.
bool HoldStagingFolder(HeldFolders& held) {
    if (!HoldRealFolders(kStagingDirW, held)) {
        LeaveStagingFolderAlone(held);
        return false;
    }
    EnsureStagingFolder();
    // Held again now that the missing folders exist; a link planted in place of one of them meanwhile
    // shows here, before anything is written into it.
    ReleaseFolders(held);
    if (!HoldRealFolders(kStagingDirW, held)) {
        LeaveStagingFolderAlone(held);
        return false;
    }
    return CheckRunFolders(held);
}

// Fills a staged file through its handle, and notes it as this run's; a copy that fails part-way removes
// the file, as CopyFileW removes what it began.
void FillStagedFile(const char16_t* source, Handle file, const char16_t* destination) {
    if (CopyFileToHandle(source, file, destination) != kFalse) {
        NoteStagedFile(destination);
    } else {
        FileDispositionInformation dispose{1};
        SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
    }
    CloseHandle(file);
}

// Copies one profile into the staging folder, replacing a file of the same name. The copy is written only
// through a handle on a checked file: the run's own plain file, or a new one it creates where the name is
// free. A name that is anything else (a link, even one to nothing, a file of another owner or one the run
// cannot open for writing) is deleted first; one that cannot be deleted stays, unused.
void StageProfile(const char16_t* source, const char16_t* destination) {
    constexpr DWORD kStagedAccess = GENERIC_WRITE | DELETE | READ_CONTROL;
    bool linked = false;
    Handle file = OpenPlainFile(destination, kStagedAccess, FILE_SHARE_READ, OPEN_EXISTING, linked);
    const DWORD error = GetLastError();
    if (file != InvalidHandleValue() && OwnedByRun(file)) {
        FillStagedFile(source, file, destination);
        return;
    }
    if (file != InvalidHandleValue() || !IsMissing(error)) {
        if (file != InvalidHandleValue()) {
            CloseHandle(file);
        }
        if (DeleteFileW(destination) == kFalse) {
            TraceA("Copy files - %ws is not the tool's and cannot be replaced, it is not used", destination);
            return;
        }
        TraceA(linked ? "Copy files - %ws is a link, replaced by a plain copy"
                      : "Copy files - %ws is not the tool's, replaced by a plain copy",
               destination);
    }
    // A new file only: where a name was planted meanwhile, the creation fails and nothing is written.
    file = CreateFileW(destination, kStagedAccess, FILE_SHARE_READ, nullptr, CREATE_NEW,
                       FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file != InvalidHandleValue()) {
        FillStagedFile(source, file, destination);
    }
}

// Copies every profile beside the program into the staging folder, replacing files of the same name.
void StageProfiles(const char16_t* programFolder) {
    TraceA("Copy files....");
    char16_t source[kCopyPathText] = {};
    char16_t destination[kCopyPathText] = {};
    FormatW(source, kCopyPathText, u"%s\\%s", programFolder, u"*.icm");
    Win32FindDataW entry{};
    Handle search = FindFirstFileW(source, &entry);
    if (search == InvalidHandleValue()) {
        return;
    }
    do {
        if (WEqual(entry.cFileName, u".") || WEqual(entry.cFileName, u"..")) {
            continue;
        }
        FormatW(source, kCopyPathText, u"%s\\%s", programFolder, entry.cFileName);
        FormatW(destination, kCopyPathText, u"%s\\%s", kStagingDirW, entry.cFileName);
        StageProfile(source, destination);
    } while (FindNextFileW(search, &entry) != kFalse);
    FindClose(search);
}

} // namespace

bool LoadSystemLibraries() {
    char16_t systemDirectory[kSystemPathText] = {};
    char16_t terminalServicesPath[kSystemPathText] = {};
    char16_t userInterfacePath[kSystemPathText] = {};
    GetSystemDirectoryPath(systemDirectory);
    SystemLibraryPath(systemDirectory, u"Wtsapi32.dll", terminalServicesPath);
    SystemLibraryPath(systemDirectory, u"User32.dll", userInterfacePath);

    HMODULE terminalServices = LoadLibraryW(terminalServicesPath);
    if (terminalServices == nullptr) {
        TraceA("m_hModule is NULL, error: 0x%08X", GetLastError());
        return false;
    }
    WTSQuerySessionInformationFunc = ProcAs<PFN_WTSQuerySessionInformationW>(
        GetProcAddress(terminalServices, "WTSQuerySessionInformationW"));
    ReportLookup("WTSQuerySessionInformationFunc", WTSQuerySessionInformationFunc != nullptr);

    HMODULE userInterface = LoadLibraryW(userInterfacePath);
    if (userInterface == nullptr) {
        TraceA("m_hModuleUser32 is NULL, error: 0x%08X", GetLastError());
        return false;
    }
    EnumDisplayDevicesFunc =
        ProcAs<PFN_EnumDisplayDevicesW>(GetProcAddress(userInterface, "EnumDisplayDevicesW"));
    DisplayConfigGetDeviceInfoFunc =
        ProcAs<PFN_DisplayConfigGetDeviceInfo>(GetProcAddress(userInterface, "DisplayConfigGetDeviceInfo"));
    GetDisplayConfigBufferSizesFunc =
        ProcAs<PFN_GetDisplayConfigBufferSizes>(GetProcAddress(userInterface, "GetDisplayConfigBufferSizes"));
    QueryDisplayConfigFunc =
        ProcAs<PFN_QueryDisplayConfig>(GetProcAddress(userInterface, "QueryDisplayConfig"));
    ReportLookup("EnumDisplayDevicesFunc", EnumDisplayDevicesFunc != nullptr);
    ReportLookup("DisplayConfigGetDeviceInfoFunc", DisplayConfigGetDeviceInfoFunc != nullptr);
    ReportLookup("GetDisplayConfigBufferSizesFunc", GetDisplayConfigBufferSizesFunc != nullptr);
    ReportLookup("QueryDisplayConfigFunc", QueryDisplayConfigFunc != nullptr);
    return true;
}

void GetProgramFolder(char16_t* programFolder) {
    char16_t modulePath[kSequenceText] = {};
    char16_t drive[kDriveText] = {};
    char16_t directory[kDirectoryText] = {};
    if (GetModuleFileNameW(nullptr, modulePath, kSequenceText) == 0) {
        ReportInitError();
    }
    std::size_t start = 0;
    if (modulePath[0] != 0 && modulePath[1] == u':') {
        drive[0] = modulePath[0];
        drive[1] = modulePath[1];
        start = 2;
    }
    std::size_t end = start;
    for (std::size_t i = start; modulePath[i] != 0; ++i) {
        if (IsPathSeparator(modulePath[i])) {
            end = i + 1;
        }
    }
    if (end - start > kDirectoryText - 1) {
        WClear(drive, kDriveText);
    } else {
        for (std::size_t i = start; i < end; ++i) {
            directory[i - start] = modulePath[i];
        }
    }
    WClear(programFolder, kProgramFolderText);
    FormatW(programFolder, kProgramFolderText, u"%s%s", drive, directory);
}

int RunSequence() {
    ReadDebugSwitch();
    if (!EchoCommandLine()) {
        return 0;
    }
    if (!LoadSystemLibraries()) {
        return kLibraryLoadFailed;
    }
    HeldFolders staging{};
    if (!HoldStagingFolder(staging)) {
        ReleaseFolders(staging);
        return 0;
    }
    char16_t programFolder[kProgramFolderText] = {};
    GetProgramFolder(programFolder);
    StageProfiles(programFolder);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    TraceA("ICM tag....");
    GetICMTagContent();
    TraceA("Associate....");
    AssociateColorProfile();
    CoUninitialize();
    ReleaseFolders(staging);
    return 0;
}
