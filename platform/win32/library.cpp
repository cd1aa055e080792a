// Library loading and function lookup, the system directory and the running program's path.
#include "platform/library.h"

#include "platform/win32/win32.h"

namespace platform {

namespace {

::HMODULE Real(HMODULE module) {
    return reinterpret_cast<::HMODULE>(module);
}

} // namespace

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
    return ::GetModuleFileNameW(Real(module), win32::W(buffer), size);
}

} // namespace platform
