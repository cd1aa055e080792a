// Registry: opening a key, reading one value, closing.
#include "platform/registry.h"

#include "platform/win32/win32.h"

namespace platform {

namespace {

::HKEY Real(HKEY key) {
    return reinterpret_cast<::HKEY>(key);
}

} // namespace

HKEY HKeyLocalMachine() {
    return reinterpret_cast<HKEY>(HKEY_LOCAL_MACHINE);
}

LONG RegOpenKeyExW(HKEY root, const char16_t* subKey, DWORD options, DWORD samDesired, HKEY* result) {
    ::HKEY opened = nullptr;
    const ::LONG status = ::RegOpenKeyExW(Real(root), win32::W(subKey), options, samDesired, &opened);
    if (result != nullptr) {
        *result = reinterpret_cast<HKEY>(opened);
    }
    return status;
}

LONG RegQueryValueExW(HKEY key, const char16_t* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* size) {
    ::DWORD realType = 0;
    ::DWORD realSize = size != nullptr ? *size : 0;
    // reserved must be null for Windows; anything else is passed on so that Windows rejects it.
    const ::LONG status =
        ::RegQueryValueExW(Real(key), win32::W(valueName), reinterpret_cast<LPDWORD>(reserved), &realType,
                           data, size != nullptr ? &realSize : nullptr);
    win32::CopyOut(type, realType);
    win32::CopyOut(size, realSize);
    return status;
}

LONG RegCloseKey(HKEY key) {
    return ::RegCloseKey(Real(key));
}

} // namespace platform
