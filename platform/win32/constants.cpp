// Compile-time proof that the platform layer's constants are the Windows ones. The Windows headers
// define most of these names as macros, so the platform's values are captured under other names
// first, and compared after the Windows headers are in.
#include <cstdint>

#include "platform/code_page.h"
#include "platform/color_system.h"
#include "platform/com.h"
#include "platform/debug_output.h"
#include "platform/display.h"
#include "platform/files.h"
#include "platform/library.h"
#include "platform/registry.h"
#include "platform/security.h"
#include "platform/terminal_services.h"
#include "platform/types.h"
#include "platform/wmi.h"

#define TINTFOLD_WINDOWS_CONSTANTS(X)                                                                        \
    X(ERROR_SUCCESS)                                                                                         \
    X(ERROR_FILE_NOT_FOUND)                                                                                  \
    X(ERROR_PATH_NOT_FOUND)                                                                                  \
    X(ERROR_ACCESS_DENIED)                                                                                   \
    X(ERROR_INVALID_HANDLE)                                                                                  \
    X(ERROR_NOT_ENOUGH_MEMORY)                                                                               \
    X(ERROR_BAD_FORMAT)                                                                                      \
    X(ERROR_NOT_SUPPORTED)                                                                                   \
    X(ERROR_FILE_EXISTS)                                                                                     \
    X(ERROR_INVALID_PARAMETER)                                                                               \
    X(ERROR_INSUFFICIENT_BUFFER)                                                                             \
    X(ERROR_MOD_NOT_FOUND)                                                                                   \
    X(ERROR_PROC_NOT_FOUND)                                                                                  \
    X(ERROR_ALREADY_EXISTS)                                                                                  \
    X(ERROR_MORE_DATA)                                                                                       \
    X(ERROR_NO_MORE_FILES)                                                                                   \
    X(ERROR_GEN_FAILURE)                                                                                     \
    X(S_OK)                                                                                                  \
    X(S_FALSE)                                                                                               \
    X(E_FAIL)                                                                                                \
    X(E_INVALIDARG)                                                                                          \
    X(E_OUTOFMEMORY)                                                                                         \
    X(E_POINTER)                                                                                             \
    X(E_NOINTERFACE)                                                                                         \
    X(RPC_E_TOO_LATE)                                                                                        \
    X(RPC_E_CHANGED_MODE)                                                                                    \
    X(CO_E_NOTINITIALIZED)                                                                                   \
    X(REGDB_E_CLASSNOTREG)                                                                                   \
    X(DISP_E_BADINDEX)                                                                                       \
    X(DISP_E_TYPEMISMATCH)                                                                                   \
    X(WBEM_E_FAILED)                                                                                         \
    X(WBEM_E_NOT_FOUND)                                                                                      \
    X(WBEM_E_INVALID_PARAMETER)                                                                              \
    X(WBEM_E_INVALID_CLASS)                                                                                  \
    X(WBEM_E_INVALID_NAMESPACE)                                                                              \
    X(WBEM_E_INVALID_QUERY)                                                                                  \
    X(WBEM_E_INVALID_METHOD)                                                                                 \
    X(WBEM_E_TYPE_MISMATCH)                                                                                  \
    X(CP_ACP)                                                                                                \
    X(WC_COMPOSITECHECK)                                                                                     \
    X(PROFILE_FILENAME)                                                                                      \
    X(PROFILE_MEMBUFFER)                                                                                     \
    X(PROFILE_READ)                                                                                          \
    X(COINIT_MULTITHREADED)                                                                                  \
    X(RPC_C_AUTHN_LEVEL_DEFAULT)                                                                             \
    X(RPC_C_AUTHN_LEVEL_CALL)                                                                                \
    X(RPC_C_IMP_LEVEL_IMPERSONATE)                                                                           \
    X(RPC_C_AUTHN_WINNT)                                                                                     \
    X(RPC_C_AUTHZ_NONE)                                                                                      \
    X(EOAC_NONE)                                                                                             \
    X(CLSCTX_INPROC_SERVER)                                                                                  \
    X(FORMAT_MESSAGE_ALLOCATE_BUFFER)                                                                        \
    X(FORMAT_MESSAGE_IGNORE_INSERTS)                                                                         \
    X(FORMAT_MESSAGE_FROM_SYSTEM)                                                                            \
    X(DISPLAY_DEVICE_ACTIVE)                                                                                 \
    X(DISPLAY_DEVICE_PRIMARY_DEVICE)                                                                         \
    X(DISPLAY_DEVICE_MIRRORING_DRIVER)                                                                       \
    X(QDC_ONLY_ACTIVE_PATHS)                                                                                 \
    X(DISPLAYCONFIG_OUTPUT_TECHNOLOGY_LVDS)                                                                  \
    X(DISPLAYCONFIG_OUTPUT_TECHNOLOGY_DISPLAYPORT_EMBEDDED)                                                  \
    X(DISPLAYCONFIG_OUTPUT_TECHNOLOGY_UDI_EMBEDDED)                                                          \
    X(DISPLAYCONFIG_OUTPUT_TECHNOLOGY_INTERNAL)                                                              \
    X(DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME)                                                             \
    X(LOAD_LIBRARY_SEARCH_SYSTEM32)                                                                          \
    X(INVALID_FILE_ATTRIBUTES)                                                                               \
    X(FILE_ATTRIBUTE_READONLY)                                                                               \
    X(FILE_ATTRIBUTE_DIRECTORY)                                                                              \
    X(FILE_ATTRIBUTE_ARCHIVE)                                                                                \
    X(FILE_ATTRIBUTE_REPARSE_POINT)                                                                          \
    X(FILE_SHARE_DELETE)                                                                                     \
    X(CREATE_NEW)                                                                                            \
    X(OPEN_ALWAYS)                                                                                           \
    X(FILE_FLAG_BACKUP_SEMANTICS)                                                                            \
    X(FILE_FLAG_OPEN_REPARSE_POINT)                                                                          \
    X(ERROR_SHARING_VIOLATION)                                                                               \
    X(FILE_ATTRIBUTE_NORMAL)                                                                                 \
    X(GENERIC_READ)                                                                                          \
    X(GENERIC_WRITE)                                                                                         \
    X(FILE_SHARE_READ)                                                                                       \
    X(FILE_SHARE_WRITE)                                                                                      \
    X(OPEN_EXISTING)                                                                                         \
    X(KEY_QUERY_VALUE)                                                                                       \
    X(KEY_WOW64_64KEY)                                                                                       \
    X(KEY_WOW64_32KEY)                                                                                       \
    X(REG_NONE)                                                                                              \
    X(REG_SZ)                                                                                                \
    X(REG_BINARY)                                                                                            \
    X(REG_DWORD)                                                                                             \
    X(REG_QWORD)                                                                                             \
    X(WTSUserName)                                                                                           \
    X(VT_EMPTY)                                                                                              \
    X(VT_NULL)                                                                                               \
    X(VT_I2)                                                                                                 \
    X(VT_I4)                                                                                                 \
    X(VT_BSTR)                                                                                               \
    X(VT_BOOL)                                                                                               \
    X(VT_UI1)                                                                                                \
    X(VT_UI2)                                                                                                \
    X(VT_UI4)                                                                                                \
    X(VT_ARRAY)                                                                                              \
    X(VARIANT_TRUE)                                                                                          \
    X(VARIANT_FALSE)                                                                                         \
    X(CIM_SINT32)                                                                                            \
    X(CIM_STRING)                                                                                            \
    X(CIM_BOOLEAN)                                                                                           \
    X(CIM_UINT8)                                                                                             \
    X(CIM_UINT16)                                                                                            \
    X(CIM_UINT32)                                                                                            \
    X(CIM_UINT64)                                                                                            \
    X(CIM_FLAG_ARRAY)                                                                                        \
    X(WBEM_FLAG_RETURN_IMMEDIATELY)                                                                          \
    X(WBEM_FLAG_FORWARD_ONLY)                                                                                \
    X(WBEM_INFINITE)                                                                                         \
    X(FILE_READ_DATA)                                                                                        \
    X(FILE_WRITE_DATA)                                                                                       \
    X(FILE_APPEND_DATA)                                                                                      \
    X(FILE_READ_EA)                                                                                          \
    X(FILE_WRITE_EA)                                                                                         \
    X(FILE_EXECUTE)                                                                                          \
    X(FILE_DELETE_CHILD)                                                                                     \
    X(FILE_READ_ATTRIBUTES)                                                                                  \
    X(FILE_WRITE_ATTRIBUTES)                                                                                 \
    X(DELETE)                                                                                                \
    X(READ_CONTROL)                                                                                          \
    X(WRITE_DAC)                                                                                             \
    X(WRITE_OWNER)                                                                                           \
    X(SYNCHRONIZE)                                                                                           \
    X(FILE_ALL_ACCESS)                                                                                       \
    X(FILE_GENERIC_READ)                                                                                     \
    X(FILE_GENERIC_WRITE)                                                                                    \
    X(FILE_GENERIC_EXECUTE)                                                                                  \
    X(GENERIC_EXECUTE)                                                                                       \
    X(GENERIC_ALL)                                                                                           \
    X(ACCESS_ALLOWED_ACE_TYPE)                                                                               \
    X(ACCESS_DENIED_ACE_TYPE)                                                                                \
    X(OBJECT_INHERIT_ACE)                                                                                    \
    X(CONTAINER_INHERIT_ACE)                                                                                 \
    X(NO_PROPAGATE_INHERIT_ACE)                                                                              \
    X(INHERIT_ONLY_ACE)                                                                                      \
    X(INHERITED_ACE)                                                                                         \
    X(ACL_REVISION)                                                                                          \
    X(SECURITY_DESCRIPTOR_REVISION)                                                                          \
    X(SE_DACL_PRESENT)                                                                                       \
    X(SE_DACL_AUTO_INHERITED)                                                                                \
    X(SE_DACL_PROTECTED)                                                                                     \
    X(SE_SELF_RELATIVE)                                                                                      \
    X(OWNER_SECURITY_INFORMATION)                                                                            \
    X(GROUP_SECURITY_INFORMATION)                                                                            \
    X(DACL_SECURITY_INFORMATION)                                                                             \
    X(SACL_SECURITY_INFORMATION)                                                                             \
    X(PROTECTED_DACL_SECURITY_INFORMATION)                                                                   \
    X(UNPROTECTED_DACL_SECURITY_INFORMATION)                                                                 \
    X(SE_FILE_OBJECT)                                                                                        \
    X(ERROR_BAD_LENGTH)                                                                                      \
    X(ERROR_DIR_NOT_EMPTY)                                                                                   \
    X(ERROR_INVALID_OWNER)                                                                                   \
    X(ERROR_PRIVILEGE_NOT_HELD)                                                                              \
    X(ERROR_INVALID_ACL)                                                                                     \
    X(ERROR_INVALID_SID)                                                                                     \
    X(ERROR_INVALID_SECURITY_DESCR)                                                                          \
    X(FileDispositionInfo)                                                                                   \
    X(FileAttributeTagInfo)                                                                                  \
    X(IO_REPARSE_TAG_MOUNT_POINT)                                                                            \
    X(IO_REPARSE_TAG_SYMLINK)                                                                                \
    X(IO_REPARSE_TAG_WOF)

namespace {

// The platform's values, as 32-bit patterns, before the Windows macros hide their names.
#define TINTFOLD_CAPTURE(name) constexpr uint32_t kPlatform_##name = static_cast<uint32_t>(platform::name);
TINTFOLD_WINDOWS_CONSTANTS(TINTFOLD_CAPTURE)
#undef TINTFOLD_CAPTURE

constexpr uint32_t kPlatformTrue = static_cast<uint32_t>(platform::kTrue);
constexpr uint32_t kPlatformFalse = static_cast<uint32_t>(platform::kFalse);
constexpr uint32_t kPlatformNeutralDefault = platform::LANG_NEUTRAL_SUBLANG_DEFAULT;

} // namespace

#include "platform/win32/win32.h"

#include <aclapi.h>
#include <icm.h>
#include <objbase.h>
#include <wbemidl.h>
#include <wtsapi32.h>

#define TINTFOLD_COMPARE(name)                                                                               \
    static_assert(kPlatform_##name == static_cast<uint32_t>(name),                                           \
                  "platform::" #name " differs from Windows");
TINTFOLD_WINDOWS_CONSTANTS(TINTFOLD_COMPARE)
#undef TINTFOLD_COMPARE

static_assert(kPlatformTrue == static_cast<uint32_t>(TRUE));
static_assert(kPlatformFalse == static_cast<uint32_t>(FALSE));
static_assert(kPlatformNeutralDefault == MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT));
