// The Windows colour system of the simulated machine: installed profiles, device associations and the
// calibration-management switch. Its state, with the display lists (display_lists.h), persists in
// color-system.json in the root.
#include <algorithm>
#include <array>
#include <fstream>
#include <string>
#include <vector>

#include "platform/color_system.h"
#include "platform/files.h"
#include "platform/sim/description.h"
#include "platform/sim/display_lists.h"
#include "platform/sim/display_sources.h"
#include "platform/sim/faults.h"
#include "platform/sim/file_handles.h"
#include "platform/sim/host_files.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/machine.h"
#include "platform/sim/records.h"
#include "platform/text.h"

namespace {

using sim::Json;

constexpr char16_t kColorFolder[] = u"C:\\Windows\\System32\\spool\\drivers\\color";
constexpr std::size_t kIccHeader = 128;
constexpr std::size_t kMagicOffset = 36;

struct ColorSystem {
    std::vector<std::string> installed;
    Json associations = Json::object();
    bool calibrationManagement = false;
    int associateCalls = 0;
};

ColorSystem& State() {
    static ColorSystem state;
    return state;
}

std::filesystem::path StateFile() {
    return sim::Root() / "color-system.json";
}

bool IsInstalled(const std::string& name) {
    for (const std::string& installed : State().installed) {
        if (platform::EqualNoCase(installed, name)) {
            return true;
        }
    }
    return false;
}

void AddInstalled(const Json& names) {
    if (!names.is_array()) {
        return;
    }
    for (const Json& name : names) {
        if (name.is_string() && !IsInstalled(name.get<std::string>())) {
            State().installed.push_back(name.get<std::string>());
        }
    }
}

// The persisted state, laid under the machine's own list of installed profiles. A state file that
// cannot be read starts the colour system empty.
void Reset() {
    State() = ColorSystem{};
    std::ifstream in(StateFile());
    const Json saved = in ? Json::parse(in, nullptr, false) : Json::object();
    sim::ResetDisplayLists(saved.is_object() ? saved.value("displays", Json()) : Json());
    if (saved.is_object()) {
        AddInstalled(saved.value("installed", Json::array()));
        const Json associations = saved.value("associations", Json::object());
        if (associations.is_object()) {
            State().associations = associations;
        }
        const Json calibration = saved.value("calibrationManagement", Json(false));
        State().calibrationManagement = calibration.is_boolean() && calibration.get<bool>();
    }
    const Json& description = sim::Description();
    if (description.contains("colorSystem") && description["colorSystem"].is_object()) {
        AddInstalled(description["colorSystem"].value("installed", Json::array()));
        // A device's associations that the machine starts with, unless the saved state has its own.
        const Json associations = description["colorSystem"].value("associations", Json::object());
        for (const auto& [device, profiles] : associations.items()) {
            if (!State().associations.contains(device)) {
                State().associations[device] = profiles;
            }
        }
    }
}

void Save() {
    Json state{{"installed", State().installed},
               {"associations", State().associations},
               {"calibrationManagement", State().calibrationManagement}};
    if (const Json displays = sim::SavedDisplayLists(); !displays.is_null()) {
        state["displays"] = displays;
    }
    std::ofstream(StateFile()) << state.dump(2) << '\n';
}

const sim::ModuleRegistration kModule{{&Reset, &Save}};

// An ICC profile header: at least the 128 header bytes, the "acsp" signature, and a declared size that
// covers the header and no more than the file.
bool HasIccHeader(const std::filesystem::path& file) {
    sim::HostFile in;
    std::array<uint8_t, kIccHeader> header{};
    if (sim::OpenRegularFile(file, in) != sim::HostRead::Read ||
        !in.ReadAt(0, header.data(), header.size())) {
        return false;
    }
    const uint32_t declared = platform::ReadBigEndian32(header.data());
    return declared >= kIccHeader && declared <= in.Size() && header[kMagicOffset] == 'a' &&
           header[kMagicOffset + 1] == 'c' && header[kMagicOffset + 2] == 's' &&
           header[kMagicOffset + 3] == 'p';
}

platform::BOOL Install(const char16_t* machineName, const char16_t* profileName) {
    if (machineName != nullptr || profileName == nullptr) {
        platform::SetLastError(platform::ERROR_INVALID_PARAMETER);
        return platform::kFalse;
    }
    if (sim::FindFault("InstallColorProfileW") != nullptr) {
        platform::SetLastError(platform::ERROR_GEN_FAILURE);
        return platform::kFalse;
    }
    const std::filesystem::path source = sim::HostPath(profileName);
    std::error_code error;
    if (source.empty() || !std::filesystem::is_regular_file(source, error)) {
        platform::SetLastError(platform::ERROR_FILE_NOT_FOUND);
        return platform::kFalse;
    }
    // The profile is read as a copy reads it: through whatever its name leads to, sharing only reading.
    const platform::DWORD denied =
        sim::OpenCheckError(source, false, platform::GENERIC_READ, platform::FILE_SHARE_READ);
    if (denied != platform::ERROR_SUCCESS) {
        platform::SetLastError(denied);
        return platform::kFalse;
    }
    const std::u16string fileName =
        std::u16string(std::u16string_view(profileName).substr(platform::NameStart(profileName)));
    if (!HasIccHeader(source) || fileName.empty()) {
        platform::SetLastError(platform::ERROR_INVALID_PARAMETER);
        return platform::kFalse;
    }
    const std::filesystem::path folder = sim::HostPath(kColorFolder);
    std::filesystem::create_directories(folder, error);
    const std::filesystem::path target = sim::HostPath(std::u16string(kColorFolder) + u"\\" + fileName);
    if (error || !sim::CopyHostFile(source, target)) {
        platform::SetLastError(platform::ERROR_ACCESS_DENIED);
        return platform::kFalse;
    }
    sim::NoteCreated(target);
    if (!IsInstalled(platform::Utf16ToUtf8(fileName))) {
        State().installed.push_back(platform::Utf16ToUtf8(fileName));
    }
    return platform::kTrue;
}

platform::BOOL Associate(const char16_t* machineName, const char16_t* profileName,
                         const char16_t* deviceName) {
    const int occurrence = ++State().associateCalls;
    if (machineName != nullptr || profileName == nullptr || deviceName == nullptr) {
        platform::SetLastError(platform::ERROR_INVALID_PARAMETER);
        return platform::kFalse;
    }
    if (sim::FindFault("AssociateColorProfileWithDeviceW", Json{{"occurrence", occurrence}}) != nullptr) {
        platform::SetLastError(platform::ERROR_GEN_FAILURE);
        return platform::kFalse;
    }
    const std::string profile = platform::Utf16ToUtf8(profileName);
    if (!IsInstalled(profile)) {
        platform::SetLastError(platform::ERROR_FILE_NOT_FOUND);
        return platform::kFalse;
    }
    if (!sim::AdapterOfMonitor(deviceName)) {
        platform::SetLastError(platform::ERROR_INVALID_PARAMETER);
        return platform::kFalse;
    }
    Json& list = State().associations[platform::Utf16ToUtf8(deviceName)];
    const bool listed = std::any_of(list.begin(), list.end(), [&](const Json& associated) {
        return platform::EqualNoCase(associated.get<std::string>(), profile);
    });
    if (!listed) {
        list.push_back(profile);
    }
    sim::AssociateWithDisplay(deviceName, profile);
    return platform::kTrue;
}

} // namespace

namespace platform {

BOOL InstallColorProfileW(const char16_t* machineName, const char16_t* profileName) {
    const BOOL result = Install(machineName, profileName);
    sim::Journal("InstallColorProfileW",
                 Json{{"path", platform::Utf8OrEmpty(profileName)}, {"result", result}});
    return result;
}

BOOL AssociateColorProfileWithDeviceW(const char16_t* machineName, const char16_t* profileName,
                                      const char16_t* deviceName) {
    const BOOL result = Associate(machineName, profileName, deviceName);
    sim::Journal("AssociateColorProfileWithDeviceW", Json{{"profile", platform::Utf8OrEmpty(profileName)},
                                                          {"device", platform::Utf8OrEmpty(deviceName)},
                                                          {"result", result}});
    return result;
}

bool ListColorProfiles(const char16_t* deviceName, std::vector<std::u16string>& names) {
    names.clear();
    if (deviceName == nullptr) {
        for (const std::string& name : State().installed) {
            names.push_back(platform::Utf8ToUtf16(name));
        }
        return true;
    }
    for (const auto& [device, list] : State().associations.items()) {
        if (!platform::WEqualNoCase(platform::Utf8ToUtf16(device).c_str(), deviceName) || !list.is_array()) {
            continue;
        }
        for (const Json& name : list) {
            if (name.is_string()) {
                names.push_back(platform::Utf8ToUtf16(name.get<std::string>()));
            }
        }
    }
    return true;
}

BOOL PLATFORM_API WcsSetCalibrationManagementState(BOOL state) {
    BOOL result = kTrue;
    if (sim::FindFault("WcsSetCalibrationManagementState") != nullptr) {
        SetLastError(ERROR_GEN_FAILURE);
        result = kFalse;
    } else {
        State().calibrationManagement = state != kFalse;
    }
    sim::Journal("WcsSetCalibrationManagementState", Json{{"state", state}, {"result", result}});
    return result;
}

} // namespace platform
