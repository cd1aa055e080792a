// Host folders on a throw-away simulated machine: drive H: of its root holds one link per folder.
#include "platform/host_folders.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "platform/sim/description.h"
#include "platform/sim/machine.h"
#include "platform/text.h"

namespace {

constexpr char kHostDrive[] = "H";
constexpr char16_t kHostDriveW[] = u"H:\\";

struct HostRoot {
    std::filesystem::path root;
    int mounted = 0;
};

HostRoot& Host() {
    static HostRoot host;
    return host;
}

} // namespace

namespace platform {

void StartHostProcess(int argc, char** argv) {
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "tintfold-host-XXXXXX").string();
    if (ec || ::mkdtemp(pattern.data()) == nullptr) {
        std::cerr << "cannot create a temporary machine root in the temporary folder\n";
        std::exit(2);
    }
    Host().root = pattern;
    std::filesystem::create_directories(Host().root / kHostDrive, ec);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    sim::Load(Host().root, sim::Json::object(), std::move(args));
}

std::u16string HostFolderPath(const char16_t* argument) {
    const std::string name = std::to_string(++Host().mounted);
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::absolute(platform::Utf16ToUtf8(argument), ec);
    std::filesystem::create_directory_symlink(target, Host().root / kHostDrive / name, ec);
    return kHostDriveW + platform::Utf8ToUtf16(name);
}

void EndHostProcess() {
    std::error_code ec;
    std::filesystem::remove_all(Host().root, ec);
}

} // namespace platform
