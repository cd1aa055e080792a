#include "conformance/conformance.h"

namespace conformance {

std::u16string AsciiUpper(std::u16string text) {
    for (char16_t& unit : text) {
        if (unit >= u'a' && unit <= u'z') {
            unit = static_cast<char16_t>(unit - u'a' + u'A');
        }
    }
    return text;
}

} // namespace conformance
