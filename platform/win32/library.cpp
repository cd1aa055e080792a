// Library loading and function lookup, the system directory and the running program's path.
#include "platform/library.h"

#include "platform/win32/win32.h"

namespace platform {

namespace {

::HMODULE Real(HMODULE module) {
    return reinterpret_cast<::HMODULE>(module);
}

} // namespace

BOOL SetDefaultDllDirectories(DWORD directoryFlags) {
    return ::SetDefaultDllDirectories(directoryFlags);
}

UINT GetSystemDirectoryW(char16_t* buffer, UINT size) {
    return ::GetSystemDirectoryW(win32::W(buffer), size);
}

HMODULE LoadLibraryW(const char16_t* fileName) {
    return reinterpret_cast<HMODULE>(::LoadLibraryW(win32::W(fileName)));
}

FARPROC GetProcAddress(HMODULE module, const char* procName) {
    // Every function pointer type converts to void (*)() and back without loss.
    return reinterpret_cast<FARPROC>(::GetProcAddress(Real(module), procName));
}

DWORD GetModuleFileNameW(HMODULE module, char16_t* buffer, DWORD size) {
    const ::DWORD length = ::GetModuleFileNameW(Real(module), win32::W(buffer), size);
    // Older Windows versions (and Wine) fill a buffer that is too small without a terminator; the path
    // is always handed back terminated, cut as newer versions cut it.
    if (size > 0 && length >= size) {
        buffer[size - 1] = u'\0';
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    return length;
}

} // namespace platform
