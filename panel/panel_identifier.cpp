#include <algorithm>

#include "panel/panel_candidates.h"

namespace {

bool IsUpperHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

} // namespace

bool IsPanelCandidate(std::u16string_view text) {
    return text.size() == kPanelCandidateDigits && std::all_of(text.begin(), text.end(), IsUpperHexDigit);
}
