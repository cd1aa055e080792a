// Library loading and function lookup, the system directory and the running program's path.
#pragma once

#include "platform/types.h"

namespace platform {

struct ModuleTag;
using HMODULE = ModuleTag*;
using FARPROC = void (*)();

constexpr DWORD LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800;

// Restricts where the process looks for a library named without a folder, for its own loads and for
// every library that loads another later (COM, the WMI providers, the colour system).
BOOL SetDefaultDllDirectories(DWORD directoryFlags);
UINT GetSystemDirectoryW(char16_t* buffer, UINT size);
HMODULE LoadLibraryW(const char16_t* fileName);
FARPROC GetProcAddress(HMODULE module, const char* procName);
// Full path of the module's file (null: the running program); 0 on failure.
DWORD GetModuleFileNameW(HMODULE module, char16_t* buffer, DWORD size);

// A looked-up function as the pointer type the caller declares for it.
template <typename Fn> Fn ProcAs(FARPROC proc) {
    return reinterpret_cast<Fn>(proc); // NOLINT: function pointer types differ only in signature
}

} // namespace platform
