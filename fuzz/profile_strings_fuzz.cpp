// Fuzz target: arbitrary bytes as the text of a profile-string file, read and edited in memory as the
// simulated machine's GetPrivateProfileIntW and WritePrivateProfileStringW read and edit a file.
// The first byte chooses the ANSI code page of the file's text and the edit; the rest is the file.
// Reading and editing take no machine, so none is loaded.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/sim/code_pages.h"
#include "platform/sim/profile_text.h"

namespace {

constexpr std::array<platform::UINT, 3> kCodePages{sim::kWindows1252, sim::kLatin1, sim::kUtf8};

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
    const platform::UINT codePage = kCodePages[data[0] % kCodePages.size()];
    std::string file(reinterpret_cast<const char*>(data + 1), size - 1);

    // One edit per input, chosen by the first byte too, and read back: every edit walks the whole file.
    switch (data[0] / kCodePages.size() % 3) {
    case 0:
        // A value written is the value read back, whatever the rest of the file holds; names match
        // whatever their letter case.
        file = sim::ProfileWrite(file, codePage, u"ICMTag", u"PNTP", u"-4");
        Require(sim::ProfileInt(file, codePage, u"icmtag", u"pntp", 0) == 0xFFFFFFFCu);
        break;
    case 1:
        // A delete removes the first key of the name; a section may hold the name more than once, so
        // the key reads as missing only once deleting changes nothing more.
        for (std::string next = sim::ProfileWrite(file, codePage, u"Main", u"DebugMessage", nullptr);
             next != file; next = sim::ProfileWrite(file, codePage, u"Main", u"DebugMessage", nullptr)) {
            file = std::move(next);
        }
        Require(sim::ProfileInt(file, codePage, u"Main", u"DebugMessage", 7) == 7);
        break;
    default:
        // Once every section of the name is deleted, none of its keys can be read.
        file = sim::ProfileWrite(file, codePage, u"ICMTag", nullptr, nullptr);
        Require(sim::ProfileInt(file, codePage, u"ICMTag", u"PNGM", 5) == 5);
        break;
    }
    return 0;
}
