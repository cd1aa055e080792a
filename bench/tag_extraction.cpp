// Tag extraction on profiles from 10 KB to 100 MB: the time of the three private tag reads of one run
// and the bytes the process read for them (rchar of /proc/self/io). The profile grows by a padding tag
// placed between the tag table and the private tags, so a reader that read the whole file, or
// everything before the tags it wants, would show it.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/run_context.h"
#include "platform/sim/description.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/machine.h"
#include "profile/icc_tag.h"
#include "tools/icc_builder.h"

namespace {

constexpr char16_t kProfile[] = u"C:\\bench.icm";
constexpr std::size_t kText = 512;

unsigned long long BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    unsigned long long value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") {
            return value;
        }
    }
    return 0;
}

} // namespace

int main() {
    const std::filesystem::path root = std::filesystem::temp_directory_path() / "tintfold_bench_tags";
    std::filesystem::remove_all(root);
    sim::Load(root, sim::Json::object());
    std::printf("%12s %12s %14s %12s\n", "file bytes", "read bytes", "time (us)", "PNGM");
    for (const std::size_t size : {10'000u, 100'000u, 1'000'000u, 10'000'000u, 100'000'000u}) {
        const test::Bytes padding(size, 0x5A);
        test::WriteFile(sim::HostPath(kProfile),
                        test::IccProfile({{test::Sig("zpad"), padding},
                                          {test::Sig("pngm"), test::TextDescTag("Gamut 100% sRGB")},
                                          {test::Sig("pntp"), test::TextDescTag("IPS 1920x1080")},
                                          {test::Sig("i1tp"), test::TextDescTag("D65 gamma 2.2")}}));
        const auto fileSize = std::filesystem::file_size(sim::HostPath(kProfile));
        ResetRunContext();
        char16_t text[3][kText] = {};
        const unsigned long long before = BytesRead();
        const auto start = std::chrono::steady_clock::now();
        ParserICCTag(kProfile, text[0], kText, MakeTagSignature("pngm"));
        ParserICCTag(kProfile, text[1], kText, MakeTagSignature("pntp"));
        ParserICCTag(kProfile, text[2], kText, MakeTagSignature("i1tp"));
        const auto elapsed = std::chrono::steady_clock::now() - start;
        const unsigned long long after = BytesRead();
        ResetRunContext();
        std::printf(
            "%12llu %12llu %14lld %12s\n", static_cast<unsigned long long>(fileSize), after - before,
            static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()),
            platform::Utf16ToUtf8(text[0]).c_str());
    }
    return 0;
}
