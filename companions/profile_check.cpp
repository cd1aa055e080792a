// One profile file: its layout (header, tag table, tags within the file), whether the colour system
// reads it, and for a factory profile the text that each private tag exports.
#include <cstring>
#include <map>
#include <vector>

#include "companions/package_check.h"
#include "platform/code_page.h"
#include "platform/color_system.h"
#include "platform/device_io.h"
#include "platform/files.h"
#include "platform/text.h"
#include "profile/icc_tag.h"
#include "profile/tag_export.h"

namespace {

using platform::DWORD;

constexpr std::size_t kHeaderBytes = 128;
constexpr std::size_t kTagCountBytes = 4;
constexpr std::size_t kTagEntryBytes = 12;
constexpr std::size_t kClassOffset = 12;
constexpr std::size_t kMagicOffset = 36;
// A tag table longer than this is not read: no profile needs as many tags.
constexpr uint32_t kMaxTags = 65536;
constexpr uint32_t kDisplayClass = MakeTagSignature("mntr");

// A signature as its four characters, or as a number when they are not all printable ASCII.
std::u16string SignatureText(uint32_t signature) {
    std::u16string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<char16_t>((signature >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) {
            const platform::FormatArg args[] = {platform::FormatArg(signature)};
            return platform::FormatWideString(u"0x%08X", args);
        }
        text.push_back(c);
    }
    return text;
}

bool ReadExactly(platform::Handle file, void* buffer, std::size_t count) {
    DWORD read = 0;
    return platform::ReadFile(file, buffer, static_cast<DWORD>(count), &read, nullptr) && read == count;
}

// The tag table's entries, read only when the file holds them all.
bool ReadTagTable(platform::Handle file, int64_t size, uint32_t count, std::vector<uint8_t>& table) {
    const uint64_t tableEnd = kHeaderBytes + kTagCountBytes + uint64_t{count} * kTagEntryBytes;
    if (tableEnd > static_cast<uint64_t>(size)) {
        return false;
    }
    table.resize(count * kTagEntryBytes);
    return ReadExactly(file, table.data(), table.size());
}

// Checks that the tag table and every tag lie within the file and that no signature is named twice.
// Reads the table only.
void CheckTagTable(platform::Handle file, int64_t size, uint32_t count, FileReport& report) {
    if (count > kMaxTags) {
        AddProblem(report, u"its tag table claims %u tags, more than the %u that the check reads", count,
                   kMaxTags);
        return;
    }
    std::vector<uint8_t> table;
    if (!ReadTagTable(file, size, count, table)) {
        AddProblem(report, u"its tag table (%u tags) runs past the end of the file", count);
        return;
    }
    std::map<uint32_t, uint32_t> named;
    for (std::size_t at = 0; at < table.size(); at += kTagEntryBytes) {
        const uint32_t signature = platform::ReadBigEndian32(&table[at]);
        const uint32_t offset = platform::ReadBigEndian32(&table[at + 4]);
        const uint32_t length = platform::ReadBigEndian32(&table[at + 8]);
        ++named[signature];
        if (uint64_t{offset} + length > static_cast<uint64_t>(size)) {
            AddProblem(report, u"tag %s (offset %u, %u bytes) runs past the end of the file",
                       SignatureText(signature), offset, length);
        }
    }
    for (std::size_t at = 0; at < table.size(); at += kTagEntryBytes) {
        // Each repeated signature once, where the table first names it.
        const uint32_t signature = platform::ReadBigEndian32(&table[at]);
        uint32_t& times = named[signature];
        if (times == 2) {
            AddProblem(report, u"tag %s appears twice in the tag table", SignatureText(signature));
        } else if (times > 2) {
            AddProblem(report, u"tag %s appears %u times in the tag table", SignatureText(signature), times);
        }
        times = 0;
    }
}

// Checks the header (signature, size field) and the tag table, every problem of each. Returns false
// when the file is no profile the colour system could be asked about: too short, unreadable, or
// without the profile signature.
bool CheckLayout(platform::Handle file, FileReport& report, uint32_t& deviceClass) {
    int64_t size = 0;
    uint8_t header[kHeaderBytes + kTagCountBytes] = {};
    if (!platform::GetFileSizeEx(file, &size)) {
        AddProblem(report, u"its size cannot be read (error %u)", platform::GetLastError());
        return false;
    }
    if (static_cast<uint64_t>(size) < sizeof header) {
        AddProblem(report, u"%lld bytes: too short for an ICC profile header and tag table",
                   static_cast<long long>(size));
        return false;
    }
    if (!ReadExactly(file, header, sizeof header)) {
        AddProblem(report, u"its header cannot be read (error %u)", platform::GetLastError());
        return false;
    }
    const bool hasSignature = std::memcmp(header + kMagicOffset, "acsp", 4) == 0;
    if (!hasSignature) {
        AddProblem(report, u"no ICC profile signature \"acsp\" in its header: not a profile");
    }
    if (platform::ReadBigEndian32(header) != static_cast<uint64_t>(size)) {
        AddProblem(report, u"its header gives its size as %u bytes, the file has %lld",
                   platform::ReadBigEndian32(header), static_cast<long long>(size));
    }
    if (!hasSignature) {
        return false;
    }
    deviceClass = platform::ReadBigEndian32(header + kClassOffset);
    CheckTagTable(file, size, platform::ReadBigEndian32(header + kHeaderBytes), report);
    return true;
}

platform::HPROFILE OpenWithColorSystem(const std::u16string& path) {
    std::u16string name = path;
    const platform::Profile profile{platform::PROFILE_FILENAME, name.data(),
                                    static_cast<DWORD>((name.size() + 1) * sizeof(char16_t))};
    return platform::OpenColorProfileW(&profile, platform::PROFILE_READ, platform::FILE_SHARE_READ,
                                       platform::OPEN_EXISTING);
}

bool DecodesStrictly(platform::UINT codePage, const char* narrow) {
    return platform::MultiByteToWideChar(codePage, platform::MB_ERR_INVALID_CHARS, narrow, -1, nullptr, 0) !=
           0;
}

// What works instead of a tag type that the tool does not read.
constexpr char16_t kTextTypeHint[] =
    u"; a textDescriptionType (\"desc\") gives the text, in a v4 profile too";

// Why a tag gives the tool no text, in words.
std::u16string NoTextReason(const TagReading& reading) {
    switch (reading.outcome) {
    case TagOutcome::OtherType:
        return u"is of type \"" + SignatureText(reading.type) + u"\", not a text description";
    case TagOutcome::TooShort:
        return u"is too short for a text description";
    case TagOutcome::NoAscii:
        return u"is a text description without an ASCII part";
    case TagOutcome::AsciiPastTag:
        return u"is a text description whose ASCII part runs past the end of the tag";
    case TagOutcome::Unread:
    case TagOutcome::Text:
        break;
    }
    return u"cannot be read";
}

// The first control character of the text, and where it stands, when it has one.
void CheckControlCharacters(const char16_t* text, const std::u16string& name, FileReport& report) {
    for (uint32_t at = 0; text[at] != u'\0'; ++at) {
        if (IsControlCharacter(text[at])) {
            AddProblem(report,
                       u"tag %s has a control character, U+%04X at character %u: the tool writes it "
                       u"into the data file as it is",
                       name, static_cast<uint32_t>(text[at]), at + 1);
            return;
        }
    }
}

// The text that the tool exports for the tag, with the problems of that text.
std::optional<std::u16string> CheckTag(platform::HPROFILE profile, const ExportedTag& tag,
                                       platform::UINT codePage, FileReport& report) {
    const std::u16string name = SignatureText(tag.signature);
    platform::BOOL present = platform::kFalse;
    if (!platform::IsColorProfileTagPresent(profile, tag.signature, &present) || !present) {
        AddProblem(report, u"tag %s is missing", name);
        return std::nullopt;
    }
    // One byte more than the tool keeps, so that a longer text shows.
    char narrow[kTagText + 1] = {};
    const TagReading reading = ReadTagNarrow(profile, tag.signature, narrow, sizeof narrow);
    if (reading.outcome != TagOutcome::Text) {
        AddProblem(report, u"tag %s %s: the tool writes an empty %s%s", name, NoTextReason(reading), tag.key,
                   reading.outcome == TagOutcome::OtherType ? kTextTypeHint : u"");
        return std::nullopt;
    }
    if (std::strlen(narrow) > kTagText - 1) {
        AddProblem(report, u"tag %s is longer than the %u characters that the tool keeps", name,
                   static_cast<uint32_t>(kTagText - 1));
        narrow[kTagText - 1] = '\0';
    }
    char16_t text[kTagText] = {};
    if (!TagTextToWide(codePage, narrow, text, kTagText)) {
        AddProblem(report, u"tag %s cannot be read as text in code page %u", name, codePage);
        return std::nullopt;
    }
    if (!DecodesStrictly(codePage, narrow) || !CarriedByCodePage(codePage, text)) {
        AddProblem(report, u"tag %s has characters that code page %u cannot carry", name, codePage);
    }
    if (EndAtLineBreak(text)) {
        AddProblem(report, u"tag %s has a line break: the tool exports only the text before it", name);
    } else if (text[0] == u'\0') {
        AddProblem(report, u"tag %s gives an empty text", name);
    }
    CheckControlCharacters(text, name, report);
    return std::u16string(text);
}

} // namespace

bool CarriedByCodePage(platform::UINT codePage, const std::u16string& text) {
    // UTF-8 and GB18030 carry every character and take no default character: they fail only on broken
    // UTF-16, and Windows gives them only the flag that says so.
    constexpr platform::UINT kGb18030 = 54936;
    if (codePage == platform::CP_UTF8 || codePage == kGb18030) {
        return platform::WideCharToMultiByte(codePage, platform::WC_ERR_INVALID_CHARS, text.c_str(), -1,
                                             nullptr, 0, nullptr, nullptr) != 0;
    }
    platform::BOOL usedDefault = platform::kFalse;
    return platform::WideCharToMultiByte(codePage, platform::WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr,
                                         0, nullptr, &usedDefault) != 0 &&
           !usedDefault;
}

bool TakesCheckFlags(platform::UINT codePage) {
    char16_t wide[1] = {};
    return platform::MultiByteToWideChar(codePage, platform::MB_ERR_INVALID_CHARS, "A", 1, wide, 1) == 1 &&
           CarriedByCodePage(codePage, u"A");
}

void CheckProfileFile(const std::u16string& path, platform::UINT codePage, FileReport& report) {
    platform::Handle file =
        platform::CreateFileW(path.c_str(), platform::GENERIC_READ, platform::FILE_SHARE_READ, nullptr,
                              platform::OPEN_EXISTING, 0, nullptr);
    if (file == platform::InvalidHandleValue()) {
        AddProblem(report, u"it cannot be opened for reading (error %u)", platform::GetLastError());
        return;
    }
    uint32_t deviceClass = 0;
    const bool profileFile = CheckLayout(file, report, deviceClass);
    platform::CloseHandle(file);
    if (!profileFile) {
        return;
    }
    const bool variant = report.parts && report.parts->cmdef;
    if (variant && deviceClass != kDisplayClass) {
        AddProblem(report, u"device class %s, not a display profile (\"mntr\"): it is no monitor's profile",
                   SignatureText(deviceClass));
    }
    platform::HPROFILE profile = OpenWithColorSystem(path);
    if (profile == nullptr) {
        AddProblem(report, u"the colour system cannot read it as a profile");
        return;
    }
    if (report.parts && !variant) {
        for (const ExportedTag& tag : kExportedTags) {
            report.tags.push_back(CheckTag(profile, tag, codePage, report));
        }
    }
    platform::CloseColorProfile(profile);
}
