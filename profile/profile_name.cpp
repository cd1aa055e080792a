#include "profile/profile_name.h"

#include <algorithm>

#include "platform/format.h"
#include "platform/text.h"

namespace {

// Removes suffix from the end of text when it is there, ignoring ASCII letter case.
bool StripSuffix(std::u16string_view& text, std::u16string_view suffix) {
    if (text.size() < suffix.size() ||
        !platform::EqualNoCase(text.substr(text.size() - suffix.size()), suffix)) {
        return false;
    }
    text.remove_suffix(suffix.size());
    return true;
}

// The part after the last separator, removed from text with its separator.
bool TakeLastPart(std::u16string_view& text, std::u16string& part) {
    const std::size_t separator = text.rfind(kNameSeparator);
    if (separator == std::u16string_view::npos) {
        return false;
    }
    part = text.substr(separator + 1);
    text = text.substr(0, separator);
    return true;
}

} // namespace

bool ProfileFilePath(char16_t* path, std::size_t capacity, const char16_t* folder, const char16_t* baseName,
                     bool cmdef) {
    return platform::FormatWhole(path, capacity, u"%s%s%s", folder, baseName,
                                 cmdef ? kCmdefSuffix : kFactorySuffix);
}

bool ParseProfileName(std::u16string_view fileName, ProfileName& parts) {
    parts = ProfileName{};
    if (!StripSuffix(fileName, kFactorySuffix)) {
        return false;
    }
    // The variant's suffix is the factory suffix behind "_CMDEF".
    const std::u16string_view variantTail(kCmdefSuffix, std::size(kCmdefSuffix) - std::size(kFactorySuffix));
    parts.cmdef = StripSuffix(fileName, variantTail);
    if (!TakeLastPart(fileName, parts.panel) || !TakeLastPart(fileName, parts.vendor)) {
        return false;
    }
    parts.board = fileName;
    return true;
}
