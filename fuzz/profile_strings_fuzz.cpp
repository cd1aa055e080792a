// Fuzz target: arbitrary bytes as a profile-string file on the simulated machine, read and written.
// The first byte chooses the machine's ANSI code page; the rest is the file.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/profile_strings.h"
#include "platform/sim/code_pages.h"
#include "platform/sim/machine.h"

namespace {

constexpr const char16_t* kFile = u"C:\\fuzz.ini";
constexpr std::array<platform::UINT, 3> kCodePages{sim::kWindows1252, sim::kLatin1, sim::kUtf8};

const std::filesystem::path& Root() {
    static const std::filesystem::path root =
        std::filesystem::temp_directory_path() / "tintfold-fuzz-profile-strings";
    return root;
}

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // Loading a machine is slow, so a machine serves many inputs; loading it afresh now and then keeps
    // its journal short.
    static platform::UINT loadedCodePage = 0;
    static unsigned inputs = 0;
    const platform::UINT codePage = kCodePages[data[0] % kCodePages.size()];
    if (codePage != loadedCodePage || ++inputs % 4096 == 0) {
        sim::Load(Root(), sim::Json{{"ansiCodePage", codePage}});
        loadedCodePage = codePage;
    }
    // A new file each time: emptying the old one would make the file system flush it, which is slow.
    const std::filesystem::path file = Root() / "C" / "fuzz.ini";
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::remove(file);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));

    platform::GetPrivateProfileIntW(u"Main", u"DebugMessage", 0, kFile);
    // A value written is the value read back, whatever the rest of the file holds.
    Require(platform::WritePrivateProfileStringW(u"ICMTag", u"PNGM", u"123", kFile) == platform::kTrue);
    Require(platform::GetPrivateProfileIntW(u"ICMTag", u"PNGM", 0, kFile) == 123);
    Require(platform::WritePrivateProfileStringW(u"ICMTag", u"PNTP", u"-4", kFile) == platform::kTrue);
    Require(platform::GetPrivateProfileIntW(u"icmtag", u"pntp", 0, kFile) == 0xFFFFFFFCu);
    Require(platform::WritePrivateProfileStringW(u"Main", u"DebugMessage", nullptr, kFile) ==
            platform::kTrue);
    // Once every section of the name is deleted, none of its keys can be read.
    Require(platform::WritePrivateProfileStringW(u"ICMTag", nullptr, nullptr, kFile) == platform::kTrue);
    Require(platform::GetPrivateProfileIntW(u"ICMTag", u"PNGM", 5, kFile) == 5);
    return 0;
}
