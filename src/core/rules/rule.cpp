#include "core/rules/rule.h"

namespace core {

bool Rule::operator==(const Rule& other) const {
    return text1 == other.text1 && text2 == other.text2 && text3 == other.text3 && description == other.description &&
           option == other.option && type == other.type && extra == other.extra && pluginPath == other.pluginPath;
}

std::int32_t fieldMaskFromFormat(const std::string& format, bool bestTag) {
    // Placeholder digit -> tag field bit; "%1" is the artist, "%2" the title.
    static const std::int32_t bits[9] = {Id3Artist, Id3Title, Id3Album, Id3Year,       Id3Comment,
                                         Id3Genre,  Id3Track, Id3Disc,  Id3AlbumArtist};
    const char last = bestTag ? '9' : '6';
    std::int32_t mask = 0;
    bool armed = false;
    for (char c : format) {
        if (!armed) {
            armed = c == '%';
        } else if (c != '%') {
            armed = false;
            if (c >= '1' && c <= last) mask |= bits[c - '1'];
        }
    }
    return mask;
}

bool usesDiscField(const std::string& format) {
    bool armed = false;
    for (char c : format) {
        if (armed && c == '0') return true;
        armed = c == '%';
    }
    return false;
}

}  // namespace core
