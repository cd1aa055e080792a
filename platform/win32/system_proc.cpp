// Run-time lookup of functions in system libraries, loaded from the system directory only.
#include "platform/win32/system_proc.h"

namespace win32 {

FARPROC SystemProc(const wchar_t* library, const char* name) {
    const ::HMODULE module = ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) {
        return nullptr;
    }
    return ::GetProcAddress(module, name);
}

} // namespace win32
