#include "core/rules/rule.h"

namespace core {

bool Rule::operator==(const Rule& other) const {
    return text1 == other.text1 && text2 == other.text2 && text3 == other.text3 && description == other.description &&
           option == other.option && type == other.type && extra == other.extra && pluginPath == other.pluginPath;
}

std::int32_t fieldMaskFromFormat(const std::string& format) {
    // Placeholder digit -> tag field bit; "%1" is the artist, "%2" the title.
    static const std::int32_t bits[6] = {Id3Artist, Id3Title, Id3Album, Id3Year, Id3Comment, Id3Genre};
    std::int32_t mask = 0;
    bool armed = false;
    for (char c : format) {
        if (!armed) {
            armed = c == '%';
        } else if (c != '%') {
            armed = false;
            if (c >= '1' && c <= '6') mask |= bits[c - '1'];
        }
    }
    return mask;
}

}  // namespace core
