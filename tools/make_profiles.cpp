// Writes sample ICC profiles for the tool: for each panel identifier a factory profile
// "<board>_<vendor>_<panel>.icm" and its colour-management variant "<board>_<vendor>_<panel>_CMDEF.icm",
// both sRGB display profiles that carry the private tags pngm, pntp and i1tp as text descriptions.
// Options make odd files for tests: a tag left out or replaced by raw bytes, a large padding tag, a
// file cut short, a file that is no profile at all.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <lcms2.h>

#include "tools/icc_builder.h"

namespace {

using test::Bytes;

struct Options {
    std::filesystem::path folder = ".";
    std::string board = "NX514";
    std::string vendor = "8086";
    std::vector<std::string> panels;
    std::map<std::string, std::string> texts = {
        {"pngm", "Gamut 100% sRGB"}, {"pntp", "IPS 1920x1080"}, {"i1tp", "D65 gamma 2.2"}};
    std::vector<std::string> omitted;
    std::map<std::string, Bytes> raw;
    std::uint64_t pad = 0;
    std::optional<std::uint64_t> truncate;
    bool cmdef = true;
    bool notIcc = false;
};

const char kUsage[] = "usage: make_profiles [options]\n"
                      "  --folder DIR       where the profiles are written (default: .)\n"
                      "  --board NAME       board product name (default: NX514)\n"
                      "  --vendor ID        graphics vendor identifier (default: 8086)\n"
                      "  --panel ID         panel identifier, repeatable (default: AF0610EC)\n"
                      "  --TAG TEXT         text of the private tag TAG (pngm, pntp or i1tp)\n"
                      "  --omit TAG         leave the tag out, repeatable\n"
                      "  --raw TAG=HEX      write the tag (any signature) with these raw bytes, repeatable\n"
                      "  --pad BYTES        add a private padding tag of this many bytes\n"
                      "  --truncate BYTES   cut every file written to this many bytes\n"
                      "  --no-cmdef         write the factory profiles only\n"
                      "  --not-icc          write text files instead of profiles\n";

[[noreturn]] void Fail(const std::string& message) {
    std::cerr << "make_profiles: " << message << "\n" << kUsage;
    std::exit(2);
}

std::uint32_t Signature(const std::string& tag) {
    if (tag.size() != 4) {
        Fail("a tag signature has four characters: " + tag);
    }
    std::uint32_t value = 0;
    for (const char c : tag) {
        value = (value << 8) | static_cast<unsigned char>(c);
    }
    return value;
}

Bytes ParseHex(const std::string& hex) {
    if (hex.size() % 2 != 0) {
        Fail("odd number of hex digits: " + hex);
    }
    Bytes bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = hex.substr(i, 2);
        const unsigned long value = std::strtoul(pair.c_str(), &end, 16);
        if (end != pair.c_str() + 2) {
            Fail("not a hex byte: " + pair);
        }
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

std::uint64_t ParseCount(const std::string& text) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0') {
        Fail("not a number: " + text);
    }
    return value;
}

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--no-cmdef") {
            options.cmdef = false;
            continue;
        }
        if (option == "--not-icc") {
            options.notIcc = true;
            continue;
        }
        if (option == "--help") {
            std::cout << kUsage;
            std::exit(0);
        }
        if (i + 1 >= argc) {
            Fail("missing value for " + option);
        }
        const std::string value = argv[++i];
        if (option == "--folder") {
            options.folder = value;
        } else if (option == "--board") {
            options.board = value;
        } else if (option == "--vendor") {
            options.vendor = value;
        } else if (option == "--panel") {
            options.panels.push_back(value);
        } else if (option == "--omit") {
            Signature(value);
            options.omitted.push_back(value);
        } else if (option == "--raw") {
            const std::size_t equals = value.find('=');
            if (equals == std::string::npos) {
                Fail("--raw takes TAG=HEX");
            }
            const std::string tag = value.substr(0, equals);
            Signature(tag);
            options.raw[tag] = ParseHex(value.substr(equals + 1));
        } else if (option == "--pad") {
            options.pad = ParseCount(value);
        } else if (option == "--truncate") {
            options.truncate = ParseCount(value);
        } else if (option.size() == 6 && options.texts.contains(option.substr(2))) {
            options.texts[option.substr(2)] = value;
        } else {
            Fail("unknown option " + option);
        }
    }
    if (options.panels.empty()) {
        options.panels.push_back("AF0610EC");
    }
    return options;
}

bool Omitted(const Options& options, const std::string& tag) {
    for (const std::string& omitted : options.omitted) {
        if (omitted == tag) {
            return true;
        }
    }
    return false;
}

bool WriteTag(cmsHPROFILE profile, const std::string& tag, const Bytes& bytes) {
    return cmsWriteRawTag(profile, static_cast<cmsTagSignature>(Signature(tag)), bytes.data(),
                          static_cast<cmsUInt32Number>(bytes.size())) != 0;
}

bool WriteProfile(const Options& options, const std::filesystem::path& file, const std::string& description) {
    if (options.notIcc) {
        std::ofstream(file, std::ios::binary) << "not a colour profile: " << description << "\n";
        return true;
    }
    cmsHPROFILE profile = cmsCreate_sRGBProfile();
    if (profile == nullptr) {
        return false;
    }
    cmsSetProfileVersion(profile, 2.1);
    cmsMLU* name = cmsMLUalloc(nullptr, 1);
    bool written = name != nullptr && cmsMLUsetASCII(name, "en", "US", description.c_str()) &&
                   cmsWriteTag(profile, cmsSigProfileDescriptionTag, name);
    cmsMLUfree(name);
    for (const auto& [tag, text] : options.texts) {
        if (!Omitted(options, tag) && !options.raw.contains(tag)) {
            written = written && WriteTag(profile, tag, test::TextDescTag(text));
        }
    }
    for (const auto& [tag, bytes] : options.raw) {
        written = written && WriteTag(profile, tag, bytes);
    }
    if (options.pad > 0) {
        written = written && WriteTag(profile, "zpad", Bytes(options.pad, 0x5A));
    }
    written = written && cmsSaveProfileToFile(profile, file.c_str()) != 0;
    cmsCloseProfile(profile);
    return written;
}

bool Truncate(const std::filesystem::path& file, std::uint64_t size) {
    std::error_code error;
    if (std::filesystem::file_size(file, error) > size && !error) {
        std::filesystem::resize_file(file, size, error);
    }
    return !error;
}

} // namespace

int main(int argc, char** argv) {
    const Options options = Parse(argc, argv);
    std::error_code error;
    std::filesystem::create_directories(options.folder, error);
    for (const std::string& panel : options.panels) {
        const std::string base = options.board + "_" + options.vendor + "_" + panel;
        std::vector<std::string> names{base + ".icm"};
        if (options.cmdef) {
            names.push_back(base + "_CMDEF.icm");
        }
        for (const std::string& name : names) {
            const std::filesystem::path file = options.folder / name;
            if (!WriteProfile(options, file, name) ||
                (options.truncate.has_value() && !Truncate(file, *options.truncate))) {
                std::cerr << "make_profiles: cannot write " << file.string() << "\n";
                return 1;
            }
            std::cout << file.string() << "\n";
        }
    }
    return 0;
}
