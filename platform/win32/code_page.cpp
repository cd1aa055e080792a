// Conversion between the ANSI code page and UTF-16.
#include "platform/code_page.h"

#include "platform/win32/win32.h"

namespace platform {

UINT GetACP() {
    return ::GetACP();
}

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceLength, char16_t* dest,
                        int destLength) {
    return ::MultiByteToWideChar(codePage, flags, source, sourceLength, win32::W(dest), destLength);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* source, int sourceLength, char* dest,
                        int destLength, const char* defaultChar, BOOL* usedDefaultChar) {
    return ::WideCharToMultiByte(codePage, flags, win32::W(source), sourceLength, dest, destLength,
                                 defaultChar, usedDefaultChar);
}

} // namespace platform
