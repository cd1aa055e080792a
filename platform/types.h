// Basic Windows-shaped types of the platform layer. Portable code uses these; the win32 backend maps
// them one to one onto the real Windows types, the sim backend implements them itself. The last error
// and the invalid handle value are each backend's last_error.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define PLATFORM_API __stdcall
#else
#define PLATFORM_API
#endif

namespace platform {

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using UINT32 = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using HRESULT = int32_t;
using Handle = void*;

constexpr BOOL kTrue = 1;
constexpr BOOL kFalse = 0;

// Win32 error codes the tool and the simulated machine use.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_BAD_FORMAT = 11;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_GEN_FAILURE = 31;

// HRESULTs (as signed 32-bit values, the way Windows declares them).
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT MakeHresult(uint32_t value) {
    return static_cast<HRESULT>(value);
}
constexpr HRESULT E_FAIL = MakeHresult(0x80004005u);
constexpr HRESULT E_INVALIDARG = MakeHresult(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = MakeHresult(0x8007000Eu);
constexpr HRESULT E_POINTER = MakeHresult(0x80004003u);
constexpr HRESULT E_NOINTERFACE = MakeHresult(0x80004002u);
constexpr HRESULT RPC_E_TOO_LATE = MakeHresult(0x80010119u);
constexpr HRESULT RPC_E_CHANGED_MODE = MakeHresult(0x80010106u);
constexpr HRESULT CO_E_NOTINITIALIZED = MakeHresult(0x800401F0u);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHresult(0x80040154u);
constexpr HRESULT DISP_E_BADINDEX = MakeHresult(0x8002000Bu);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHresult(0x80020005u);
constexpr HRESULT WBEM_E_FAILED = MakeHresult(0x80041001u);
constexpr HRESULT WBEM_E_NOT_FOUND = MakeHresult(0x80041002u);
constexpr HRESULT WBEM_E_INVALID_PARAMETER = MakeHresult(0x80041008u);
constexpr HRESULT WBEM_E_INVALID_CLASS = MakeHresult(0x80041010u);
constexpr HRESULT WBEM_E_INVALID_NAMESPACE = MakeHresult(0x8004100Eu);
constexpr HRESULT WBEM_E_INVALID_QUERY = MakeHresult(0x80041017u);
constexpr HRESULT WBEM_E_INVALID_METHOD = MakeHresult(0x8004102Eu);
constexpr HRESULT WBEM_E_TYPE_MISMATCH = MakeHresult(0x80041005u);

constexpr bool Failed(HRESULT hr) {
    return hr < 0;
}
constexpr bool Succeeded(HRESULT hr) {
    return hr >= 0;
}

// The thread's last error value (GetLastError / SetLastError).
DWORD GetLastError();
void SetLastError(DWORD code);

// INVALID_HANDLE_VALUE.
Handle InvalidHandleValue();

} // namespace platform
