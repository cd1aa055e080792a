// The registry of the simulated machine: keys and values come from the machine description.
#include "platform/registry.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/description.h"
#include "platform/sim/handle_table.h"
#include "platform/sim/machine.h"
#include "platform/text.h"

namespace platform {

// An open key: its full path as "HKLM\...", in the case the caller gave.
struct RegKeyTag {
    std::string path;
};

} // namespace platform

namespace sim {

namespace {

using platform::DWORD;
using platform::HKEY;
using platform::LONG;

HandleTable<platform::RegKeyTag>& OpenKeys() {
    static HandleTable<platform::RegKeyTag> keys;
    return keys;
}

void ResetRegistry() {
    OpenKeys().Clear();
}

const sim::ModuleRegistration kModule{{&ResetRegistry, nullptr}};

LONG Result(DWORD code) {
    return static_cast<LONG>(code);
}

bool IsOpen(HKEY key) {
    return OpenKeys().Find(key) != nullptr;
}

// The 32-bit view of HKLM\Software lives under HKLM\Software\WOW6432Node.
std::string InView(const std::string& path, DWORD samDesired) {
    const std::string software = "HKLM\\SOFTWARE";
    const std::string folded = platform::UpperAsciiText(path);
    const bool underSoftware = folded.compare(0, software.size(), software) == 0 &&
                               (folded.size() == software.size() || folded[software.size()] == '\\');
    const bool redirected = folded.compare(0, software.size() + 12, software + "\\WOW6432NODE") == 0;
    if ((samDesired & platform::KEY_WOW64_32KEY) == 0 || !underSoftware || redirected) {
        return path;
    }
    return path.substr(0, software.size()) + "\\WOW6432Node" + path.substr(software.size());
}

// The description's entry for a key, when the description names it.
const Json* DescribedKey(const std::string& path) {
    const std::string wanted = platform::UpperAsciiText(path);
    for (const auto& [name, key] : Description()["registry"].items()) {
        if (platform::UpperAsciiText(name) == wanted) {
            return &key;
        }
    }
    return nullptr;
}

// A key exists when the description names it or a key below it; HKLM and HKLM\Software always do.
bool KeyExists(const std::string& path) {
    const std::string wanted = platform::UpperAsciiText(path);
    if (wanted == "HKLM" || wanted == "HKLM\\SOFTWARE" || wanted == "HKLM\\SOFTWARE\\WOW6432NODE") {
        return true;
    }
    for (const auto& [name, key] : Description()["registry"].items()) {
        const std::string folded = platform::UpperAsciiText(name);
        if (folded == wanted || folded.compare(0, wanted.size() + 1, wanted + "\\") == 0) {
            return true;
        }
    }
    return false;
}

// The registry form of a described value: its type and its bytes.
std::vector<platform::BYTE> ValueBytes(const Json& value, DWORD* type) {
    const std::string& typeName = value["type"].get_ref<const std::string&>();
    const Json& data = value["data"];
    std::vector<platform::BYTE> bytes;
    if (typeName == "REG_DWORD" || typeName == "REG_QWORD") {
        *type = typeName == "REG_DWORD" ? platform::REG_DWORD : platform::REG_QWORD;
        const uint64_t number = data.get<uint64_t>();
        const std::size_t size = typeName == "REG_DWORD" ? 4 : 8;
        for (std::size_t i = 0; i < size; ++i) {
            bytes.push_back(static_cast<platform::BYTE>(number >> (8 * i)));
        }
    } else if (typeName == "REG_SZ") {
        *type = platform::REG_SZ;
        const std::u16string text = platform::Utf8ToUtf16(data.get_ref<const std::string&>());
        for (std::size_t i = 0; i <= text.size(); ++i) {
            const char16_t unit = i < text.size() ? text[i] : u'\0';
            bytes.push_back(static_cast<platform::BYTE>(unit & 0xFF));
            bytes.push_back(static_cast<platform::BYTE>(unit >> 8));
        }
    } else {
        *type = platform::REG_BINARY;
        bytes = platform::FromHex(data.get_ref<const std::string&>());
    }
    return bytes;
}

} // namespace

} // namespace sim

namespace platform {

HKEY HKeyLocalMachine() {
    static RegKeyTag localMachine{"HKLM"};
    return &localMachine;
}

LONG RegOpenKeyExW(HKEY root, const char16_t* subKey, DWORD, DWORD samDesired, HKEY* result) {
    if (result == nullptr) {
        return sim::Result(ERROR_INVALID_PARAMETER);
    }
    *result = nullptr;
    if (root != HKeyLocalMachine() && !sim::IsOpen(root)) {
        return sim::Result(ERROR_INVALID_HANDLE);
    }
    std::string path = root->path;
    if (subKey != nullptr && *subKey != u'\0') {
        path += "\\" + platform::Utf16ToUtf8(subKey);
    }
    path = sim::InView(path, samDesired);
    if (!sim::KeyExists(path)) {
        return sim::Result(ERROR_FILE_NOT_FOUND);
    }
    const sim::Json* described = sim::DescribedKey(path);
    if (described != nullptr && described->value("$denied", false)) {
        return sim::Result(ERROR_ACCESS_DENIED);
    }
    *result = sim::OpenKeys().Add(std::make_unique<RegKeyTag>(RegKeyTag{path}));
    return sim::Result(ERROR_SUCCESS);
}

LONG RegQueryValueExW(HKEY key, const char16_t* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* size) {
    if (key != HKeyLocalMachine() && !sim::IsOpen(key)) {
        return sim::Result(ERROR_INVALID_HANDLE);
    }
    if (reserved != nullptr || (data != nullptr && size == nullptr)) {
        return sim::Result(ERROR_INVALID_PARAMETER);
    }
    const sim::Json* described = sim::DescribedKey(key->path);
    const std::string name =
        valueName != nullptr ? platform::UpperAsciiText(platform::Utf16ToUtf8(valueName)) : std::string();
    const sim::Json* value = nullptr;
    if (described != nullptr) {
        for (const auto& [valueKey, entry] : described->items()) {
            if (valueKey != "$denied" && platform::UpperAsciiText(valueKey) == name) {
                value = &entry;
            }
        }
    }
    if (value == nullptr) {
        return sim::Result(ERROR_FILE_NOT_FOUND);
    }
    DWORD valueType = REG_NONE;
    const std::vector<BYTE> bytes = sim::ValueBytes(*value, &valueType);
    if (type != nullptr) {
        *type = valueType;
    }
    const auto length = static_cast<DWORD>(bytes.size());
    LONG status = sim::Result(ERROR_SUCCESS);
    if (data != nullptr && *size < length) {
        status = sim::Result(ERROR_MORE_DATA);
    } else if (data != nullptr && length > 0) {
        std::memcpy(data, bytes.data(), bytes.size());
    }
    if (size != nullptr) {
        *size = length;
    }
    return status;
}

LONG RegCloseKey(HKEY key) {
    if (key == HKeyLocalMachine()) {
        return sim::Result(ERROR_SUCCESS);
    }
    return sim::Result(sim::OpenKeys().Close(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE);
}

} // namespace platform
