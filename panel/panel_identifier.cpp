#include <algorithm>

#include "panel/panel_candidates.h"
#include "platform/text.h"

bool IsPanelCandidate(std::u16string_view text) {
    return text.size() == kPanelCandidateDigits && std::all_of(text.begin(), text.end(), platform::IsUpperHexDigit);
}
