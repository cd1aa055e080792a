// Functions of system libraries that Windows does not keep among its known libraries, looked up at run
// time. The program's import table names only known libraries, which the loader always takes from the
// system directory; any other library named there would be searched for beside the program first,
// where anyone may place a file of that name before the program starts elevated.
#pragma once

#include "platform/win32/win32.h"

namespace win32 {

// The function `name` of the system library `library` (a file name such as L"mscms.dll"), loaded from
// the system directory and from nowhere else. Null when the library or the function is missing; the
// last error then says which. The library stays loaded until the process ends.
FARPROC SystemProc(const wchar_t* library, const char* name);

// The same, as the pointer type the caller declares for the function.
template <typename Fn> Fn SystemProcAs(const wchar_t* library, const char* name) {
    // Every function pointer type converts to void (*)() and back without loss.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(SystemProc(library, name)));
}

// Calls a looked-up function when it was found; otherwise the call fails as the function would: a zero
// result (FALSE, a null handle), with the lookup's last error.
template <typename Fn, typename... Args> auto CallIfFound(Fn fn, Args... args) -> decltype(fn(args...)) {
    if (fn == nullptr) {
        return {};
    }
    return fn(args...);
}

} // namespace win32
