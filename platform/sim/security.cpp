// Owners and access lists through handles on the simulated machine (platform/security.h): GetSecurityInfo
// reads what file_security.h keeps of the handle's file, SetSecurityInfo writes it, with a journal record.
#include "platform/security.h"

#include <cstring>
#include <optional>

#include "platform/sim/accounts.h"
#include "platform/sim/file_handles.h"
#include "platform/sim/file_security.h"
#include "platform/sim/local_memory.h"
#include "platform/sim/records.h"
#include "platform/text.h"

namespace platform {

namespace {

constexpr DWORD kParts = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
constexpr DWORD kProtection = PROTECTED_DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION;

// What the sim keeps of a file is its owner and its list: a SACL needs a privilege the process does not
// hold, and the sim keeps no group.
DWORD InformationError(DWORD objectType, DWORD info) {
    if (objectType != SE_FILE_OBJECT) {
        return ERROR_INVALID_PARAMETER;
    }
    if ((info & SACL_SECURITY_INFORMATION) != 0) {
        return ERROR_PRIVILEGE_NOT_HELD;
    }
    if ((info & ~(kParts | kProtection)) != 0 || (info & kProtection) == kProtection) {
        return ERROR_INVALID_PARAMETER;
    }
    return ERROR_SUCCESS;
}

// What SetSecurityInfo was given, read within the sizes the bytes state, and whether the handle may set it.
DWORD ReadGiven(const sim::HandleObject& handle, DWORD info, void* owner, void* dacl, sim::Sid& newOwner,
                std::optional<sim::Acl>& newDacl) {
    if ((info & OWNER_SECURITY_INFORMATION) != 0) {
        const std::optional<sim::Sid> sid =
            sim::ReadSid(static_cast<const uint8_t*>(owner), sim::kMaxSidBytes);
        if ((handle.access & WRITE_OWNER) == 0) {
            return ERROR_ACCESS_DENIED;
        }
        if (!sid) {
            return owner == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_SID;
        }
        if (!sim::MayOwn(*sid)) {
            return ERROR_INVALID_OWNER;
        }
        newOwner = *sid;
    }
    if ((info & DACL_SECURITY_INFORMATION) != 0) {
        if ((handle.access & WRITE_DAC) == 0) {
            return ERROR_ACCESS_DENIED;
        }
        // No list at all is a null DACL, which grants everyone everything.
        newDacl = dacl != nullptr ? sim::ReadAcl(static_cast<const uint8_t*>(dacl)) : std::nullopt;
        if (dacl != nullptr && !newDacl) {
            return ERROR_INVALID_ACL;
        }
    }
    return ERROR_SUCCESS;
}

DWORD SetSecurity(const std::optional<sim::HandleObject>& handle, DWORD objectType, DWORD info, void* owner,
                  void* dacl, sim::Sid& newOwner) {
    if (!handle) {
        return ERROR_INVALID_HANDLE;
    }
    DWORD error = InformationError(objectType, info);
    std::optional<sim::Acl> newDacl;
    if (error == ERROR_SUCCESS) {
        error = ReadGiven(*handle, info, owner, dacl, newOwner, newDacl);
    }
    if (error == ERROR_SUCCESS) {
        sim::SetObjectSecurity(handle->object, info, newOwner, newDacl);
    }
    return error;
}

} // namespace

DWORD GetSecurityInfo(Handle handle, DWORD objectType, DWORD securityInfo, void** owner, void** group,
                      void** dacl, void** sacl, void** securityDescriptor) {
    const std::optional<sim::HandleObject> file = sim::FindHandleObject(handle);
    if (!file) {
        return ERROR_INVALID_HANDLE;
    }
    const DWORD error = InformationError(objectType, securityInfo);
    if (error != ERROR_SUCCESS || securityDescriptor == nullptr || (securityInfo & kProtection) != 0) {
        return error != ERROR_SUCCESS ? error : ERROR_INVALID_PARAMETER;
    }
    if ((file->access & READ_CONTROL) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    const sim::SelfRelative descriptor =
        sim::SelfRelativeBytes(sim::EntryOf(file->object).descriptor, securityInfo);
    auto* block = static_cast<uint8_t*>(sim::LocalAllocate(descriptor.bytes.size()));
    if (block == nullptr) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    std::memcpy(block, descriptor.bytes.data(), descriptor.bytes.size());
    *securityDescriptor = block;
    for (void** none : {group, sacl}) {
        if (none != nullptr) {
            *none = nullptr;
        }
    }
    if (owner != nullptr) {
        *owner = descriptor.ownerOffset != 0 ? block + descriptor.ownerOffset : nullptr;
    }
    if (dacl != nullptr) {
        *dacl = descriptor.daclOffset != 0 ? block + descriptor.daclOffset : nullptr;
    }
    return ERROR_SUCCESS;
}

BOOL GetProcessUserSid(void* sid, DWORD capacity) {
    const sim::Sid& user = sim::ProcessUserSid();
    if (sid == nullptr || capacity < user.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return kFalse;
    }
    std::memcpy(sid, user.data(), user.size());
    return kTrue;
}

DWORD SetSecurityInfo(Handle handle, DWORD objectType, DWORD securityInfo, void* owner, void*, void* dacl,
                      void*) {
    const std::optional<sim::HandleObject> file = sim::FindHandleObject(handle);
    sim::Sid newOwner;
    const DWORD result = SetSecurity(file, objectType, securityInfo, owner, dacl, newOwner);
    sim::Journal("SetSecurityInfo",
                 {{"path", file ? sim::Json(Utf16ToUtf8(file->path)) : sim::Json()},
                  {"info", securityInfo},
                  {"owner", newOwner.empty() ? sim::Json() : sim::Json(sim::SidText(newOwner))},
                  {"result", result}});
    return result;
}

} // namespace platform
