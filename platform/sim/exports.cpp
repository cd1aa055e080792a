#include "platform/sim/exports.h"

#include <array>

#include "platform/color_system.h"
#include "platform/display.h"
#include "platform/sim/display_lists.h"
#include "platform/terminal_services.h"
#include "platform/text.h"

namespace sim {

namespace {

struct Export {
    const char16_t* library;
    const char* name;
    platform::FARPROC function;
    // Whether this machine's library has the function; null: every machine's has it.
    bool (*present)();
};

template <typename Fn> platform::FARPROC AsProc(Fn function) {
    return reinterpret_cast<platform::FARPROC>(function); // NOLINT: a lookup hands out untyped pointers
}

const std::array<Export, 9>& Exports() {
    static const std::array<Export, 9> table{{
        {u"wtsapi32.dll", "WTSQuerySessionInformationW", AsProc(&platform::WTSQuerySessionInformationW),
         nullptr},
        {u"user32.dll", "EnumDisplayDevicesW", AsProc(&platform::EnumDisplayDevicesW), nullptr},
        {u"user32.dll", "DisplayConfigGetDeviceInfo", AsProc(&platform::DisplayConfigGetDeviceInfo), nullptr},
        {u"user32.dll", "GetDisplayConfigBufferSizes", AsProc(&platform::GetDisplayConfigBufferSizes),
         nullptr},
        {u"user32.dll", "QueryDisplayConfig", AsProc(&platform::QueryDisplayConfig), nullptr},
        {u"mscms.dll", "WcsSetCalibrationManagementState",
         AsProc(&platform::WcsSetCalibrationManagementState), nullptr},
        // Windows 10 build 20348 and later.
        {u"mscms.dll", "ColorProfileGetDisplayList", AsProc(&platform::ColorProfileGetDisplayList),
         &HasDisplayLists},
        {u"mscms.dll", "ColorProfileGetDisplayDefault", AsProc(&platform::ColorProfileGetDisplayDefault),
         &HasDisplayLists},
        {u"mscms.dll", "ColorProfileGetDisplayUserScope", AsProc(&platform::ColorProfileGetDisplayUserScope),
         &HasDisplayLists},
    }};
    return table;
}

} // namespace

bool IsSystemLibrary(std::u16string_view fileName) {
    const std::u16string name(fileName);
    for (const Export& e : Exports()) {
        if (platform::WEqualNoCase(e.library, name.c_str())) {
            return true;
        }
    }
    return false;
}

platform::FARPROC FindExport(std::u16string_view libraryFileName, std::string_view name) {
    const std::u16string library(libraryFileName);
    for (const Export& e : Exports()) {
        if (platform::WEqualNoCase(e.library, library.c_str()) && name == e.name) {
            return e.present == nullptr || e.present() ? e.function : nullptr;
        }
    }
    return nullptr;
}

} // namespace sim
