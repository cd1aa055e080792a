// Files opened through handles: what a handle refers to, deleting a name, and copying into a file the
// caller holds open.
#include "platform/files.h"

#include <cstddef>
#include <vector>

#include "platform/win32/win32.h"

static_assert(sizeof(platform::ByHandleFileInformation) == sizeof(BY_HANDLE_FILE_INFORMATION));
static_assert(offsetof(platform::ByHandleFileInformation, nNumberOfLinks) ==
              offsetof(BY_HANDLE_FILE_INFORMATION, nNumberOfLinks));

namespace platform {

BOOL GetFileInformationByHandle(Handle file, ByHandleFileInformation* information) {
    return ::GetFileInformationByHandle(file, reinterpret_cast<BY_HANDLE_FILE_INFORMATION*>(information));
}

BOOL DeleteFileW(const char16_t* fileName) {
    return ::DeleteFileW(win32::W(fileName));
}

BOOL CopyFileToHandle(const char16_t* existingFile, Handle newFileHandle, const char16_t*) {
    if (newFileHandle == INVALID_HANDLE_VALUE || newFileHandle == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const HANDLE source = ::CreateFileW(win32::W(existingFile), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE) {
        return FALSE;
    }
    const bool started = ::SetFilePointer(newFileHandle, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
    bool ok = started;
    constexpr ::DWORD kChunk = 64 * 1024;
    std::vector<char> buffer(kChunk);
    for (::DWORD read = 0; ok;) {
        ok = ::ReadFile(source, buffer.data(), kChunk, &read, nullptr) != FALSE;
        if (!ok || read == 0) {
            break;
        }
        ::DWORD written = 0;
        ok = ::WriteFile(newFileHandle, buffer.data(), read, &written, nullptr) != FALSE && written == read;
    }
    // The file ends where the copy stopped, also when it failed part-way: no old byte stays behind.
    ::DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
    if (started && ::SetEndOfFile(newFileHandle) == FALSE && error == ERROR_SUCCESS) {
        error = ::GetLastError();
    }
    ::CloseHandle(source);
    ::SetLastError(error);
    return error == ERROR_SUCCESS ? TRUE : FALSE;
}

} // namespace platform
