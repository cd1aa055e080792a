// The conformance suite's machine on the sim: a fresh root with the default machine, the registry
// values the test sets laid over the default registry.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "conformance/conformance.h"
#include "platform/sim/description.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/machine.h"
#include "platform/text.h"

namespace conformance {

struct ConformanceTest::State {
    std::filesystem::path root;
    sim::Json description = sim::Json::object();
    std::u16string scratch = u"C:\\Scratch";
    std::u16string registryKey = u"Software\\TintfoldConformance";
};

ConformanceTest::ConformanceTest() : state_(std::make_unique<State>()) {}
ConformanceTest::~ConformanceTest() = default;

void ConformanceTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tintfold-conformance-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    state_->root = pattern;
    sim::Load(state_->root, state_->description);
    MakeFolder(state_->scratch);
}

void ConformanceTest::TearDown() {
    std::error_code ec;
    std::filesystem::remove_all(state_->root, ec);
}

const std::u16string& ConformanceTest::Scratch() const {
    return state_->scratch;
}

void ConformanceTest::WriteFile(const std::u16string& path, std::string_view bytes) const {
    std::ofstream out(sim::HostPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << platform::Utf16ToUtf8(path);
}

std::string ConformanceTest::ReadFile(const std::u16string& path) const {
    std::ifstream in(sim::HostPath(path), std::ios::binary);
    EXPECT_TRUE(in.good()) << platform::Utf16ToUtf8(path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool ConformanceTest::IsFile(const std::u16string& path) const {
    return std::filesystem::is_regular_file(sim::HostPath(path));
}

bool ConformanceTest::IsFolder(const std::u16string& path) const {
    return std::filesystem::is_directory(sim::HostPath(path));
}

void ConformanceTest::MakeFolder(const std::u16string& path) const {
    std::filesystem::create_directories(sim::HostPath(path));
}

void ConformanceTest::MakeLink(const std::u16string& link, const std::u16string& target) const {
    std::filesystem::create_symlink(sim::HostPath(target), sim::HostPath(link));
}

const std::u16string& ConformanceTest::RegistryKey() const {
    return state_->registryKey;
}

namespace {

// The description's registry entry for a key below the test's own.
sim::Json& RegistryEntry(sim::Json& description, const std::u16string& key, const std::u16string& subKey) {
    if (!description.contains("registry")) {
        description["registry"] = sim::DefaultMachine()["registry"];
    }
    std::u16string path = u"HKLM\\" + key;
    if (!subKey.empty()) {
        path += u"\\" + subKey;
    }
    return description["registry"][platform::Utf16ToUtf8(path)];
}

} // namespace

void ConformanceTest::SetDword(const std::u16string& subKey, const std::u16string& name,
                               platform::DWORD value) const {
    RegistryEntry(state_->description, state_->registryKey,
                  subKey)[platform::Utf16ToUtf8(name)] = {{"type", "REG_DWORD"}, {"data", value}};
    sim::Load(state_->root, state_->description);
}

void ConformanceTest::SetString(const std::u16string& subKey, const std::u16string& name,
                                const std::u16string& value) const {
    RegistryEntry(state_->description, state_->registryKey, subKey)[platform::Utf16ToUtf8(name)] = {
        {"type", "REG_SZ"}, {"data", platform::Utf16ToUtf8(value)}};
    sim::Load(state_->root, state_->description);
}

platform::UINT ConformanceTest::AnsiCodePage() const {
    return sim::Description()["ansiCodePage"].get<platform::UINT>();
}

bool ConformanceTest::WineDiffers(const char* /*evidence*/) {
    return false;
}

} // namespace conformance
