#include "app/association.h"

#include "app/diagnostics.h"
#include "app/plain_file.h"
#include "app/run_context.h"
#include "app/staged_files.h"
#include "app/system_library.h"
#include "platform/color_system.h"
#include "platform/files.h"
#include "platform/library.h"

namespace {

// Looks up the calibration-management switch in the colour system's library, loaded from the system
// directory. Null when the library or the function is not found.
platform::PFN_WcsSetCalibrationManagementState FindCalibrationSwitch() {
    const platform::HMODULE module = LoadSystemLibrary(u"Mscms.dll");
    if (module == nullptr) {
        return nullptr;
    }
    return platform::ProcAs<platform::PFN_WcsSetCalibrationManagementState>(
        platform::GetProcAddress(module, "WcsSetCalibrationManagementState"));
}

// The association block, with the variant held so that what is installed is the file this run staged.
void AssociateHeldProfile() {
    TraceA("AssociateColorProfile - before AssociateColorProfileWithDevice");
    const platform::BOOL associated =
        platform::AssociateColorProfileWithDeviceW(nullptr, g_szCmdefName, g_szMonitorDevice);
    TraceA("AssociateColorProfile - after AssociateColorProfileWithDevice, = %d", associated);
    if (associated) {
        return;
    }

    TraceA("AssociateColorProfile - call InstallColorProfile");
    const platform::BOOL installed = platform::InstallColorProfileW(nullptr, g_szCmdefPath);
    TraceA("AssociateColorProfile - InstallColorProfile = %d", installed);
    if (!installed) {
        return;
    }

    TraceA("AssociateColorProfile - before AssociateColorProfileWithDevice 2");
    const platform::BOOL associatedAgain =
        platform::AssociateColorProfileWithDeviceW(nullptr, g_szCmdefName, g_szMonitorDevice);
    TraceA("AssociateColorProfile - after AssociateColorProfileWithDevice 2, = %d", associatedAgain);

    WcsSetCalibrationManagementStateFunc = FindCalibrationSwitch();
    TraceA("AssociateColorProfile - before WcsSetCalibrationManagementState");
    // Without the function the switch is not set, and its line reports failure.
    const platform::BOOL switched = WcsSetCalibrationManagementStateFunc != nullptr
                                        ? WcsSetCalibrationManagementStateFunc(platform::kTrue)
                                        : platform::kFalse;
    TraceA("AssociateColorProfile - after WcsSetCalibrationManagementState, = %d", switched);
}

} // namespace

void AssociateColorProfile() {
    if (platform::WAccess(g_szCmdefPath, 0) != 0) {
        TraceW(u"AssociateColorProfile - file not exist:[%s]", g_szCmdefPath);
        return;
    }
    // Only a variant this run wrote is associated or installed: a file someone else left under its name is
    // not.
    const platform::Handle held =
        WasStagedThisRun(g_szCmdefPath) ? HoldStagedFile(g_szCmdefPath) : platform::InvalidHandleValue();
    if (held == platform::InvalidHandleValue()) {
        TraceW(u"AssociateColorProfile - file not staged by this run:[%s]", g_szCmdefPath);
        return;
    }
    TraceW(u"AssociateColorProfile - file exist:[%s]", g_szCmdefPath);
    AssociateHeldProfile();
    platform::CloseHandle(held);
}
