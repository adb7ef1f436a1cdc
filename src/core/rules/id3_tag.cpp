#include "core/rules/id3_tag.h"

#include "core/rules/rule.h"
#include "core/rules/text_rules.h"
#include "platform/files.h"
#include "platform/text.h"

namespace core {
namespace {

const char* const kGenres[126] = {
    "Blues",
    "Classic Rock",
    "Country",
    "Dance",
    "Disco",
    "Funk",
    "Grunge",
    "Hip-Hop",
    "Jazz",
    "Metal",
    "New Age",
    "Oldies",
    "Other",
    "Pop",
    "R&B",
    "Rap",
    "Reggae",
    "Rock",
    "Techno",
    "Industrial",
    "Alternative",
    "Ska",
    "Death Metal",
    "Pranks",
    "Soundtrack",
    "Euro-Techno",
    "Ambient",
    "Trip-Hop",
    "Vocal",
    "Jazz+Funk",
    "Fusion",
    "Trance",
    "Classical",
    "Instrumental",
    "Acid",
    "House",
    "Game",
    "Sound Clip",
    "Gospel",
    "Noise",
    "AlternRock",
    "Bass",
    "Soul",
    "Punk",
    "Space",
    "Meditative",
    "Instrumental Pop",
    "Instrumental Rock",
    "Ethnic",
    "Gothic",
    "Darkwave",
    "Techno-Industrial",
    "Electronic",
    "Pop-Folk",
    "Eurodance",
    "Dream",
    "Southern Rock",
    "Comedy",
    "Cult",
    "Gangsta",
    "Top",
    "Christian Rap",
    "Pop/Funk",
    "Jungle",
    "Native American",
    "Cabaret",
    "New Wave",
    "Psychadelic",
    "Rave",
    "Showtunes",
    "Trailer",
    "Lo-Fi",
    "Tribal",
    "Acid Punk",
    "Acid Jazz",
    "Polka",
    "Retro",
    "Musical",
    "Rock & Roll",
    "Hard Rock",
    "Folk",
    "Folk-Rock",
    "National Folk",
    "Swing",
    "Fast Fusion",
    "Bebob",
    "Latin",
    "Revival",
    "Celtic",
    "Bluegrass",
    "Avantgarde",
    "Gothic Rock",
    "Progressive Rock",
    "Psychedelic Rock",
    "Symphonic Rock",
    "Slow Rock",
    "Big Band",
    "Chorus",
    "Easy Listening",
    "Acoustic",
    "Humour",
    "Speech",
    "Chanson",
    "Opera",
    "Chamber Music",
    "Sonata",
    "Symphony",
    "Booty Bass",
    "Primus",
    "Porn Groove",
    "Satire",
    "Slow Jam",
    "Club",
    "Tango",
    "Samba",
    "Folklore",
    "Ballad",
    "Power Ballad",
    "Rhythmic Soul",
    "Freestyle",
    "Duet",
    "Punk Rock",
    "Drum Solo",
    "Acapella",
    "Euro-House",
    "Dance Hall",
};

constexpr std::size_t kTagSize = 128;

// One text field: up to its first zero byte, UTF-8 when it is, else Windows-1252 as older
// taggers wrote it; trailing white space goes, leading white space stays.
std::string field(const char* bytes, std::size_t size) {
    std::size_t length = 0;
    while (length < size && bytes[length] != '\0') ++length;
    std::string text = platform::legacyTextToUtf8(std::string(bytes, length));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\v' ||
                             text.back() == '\f' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

}  // namespace

const char* genreName(int genre) {
    return genre >= 0 && genre < 126 ? kGenres[genre] : nullptr;
}

TagReader::TagReader(std::string path) : path_(std::move(path)) {}

bool TagReader::read(std::int32_t mask) {
    char tag[kTagSize];
    try {
        platform::File file(path_, platform::File::Mode::Read);
        if (file.length() <= kTagSize) return false;
        file.seek(-static_cast<std::int64_t>(kTagSize), platform::File::SeekFrom::End);
        if (file.read(tag, kTagSize) != kTagSize) return false;
    } catch (const platform::FileError&) {
        return false;  // a missing or locked file is the same as no tag
    }
    if (tag[0] != 'T' || tag[1] != 'A' || tag[2] != 'G') return false;
    title_ = field(tag + 3, 30);
    artist_ = field(tag + 33, 30);
    album_ = field(tag + 63, 30);
    year_ = field(tag + 93, 4);
    comment_ = field(tag + 97, 30);
    genre_ = static_cast<unsigned char>(tag[127]);

    const std::pair<std::int32_t, const std::string*> required[] = {
        {Id3Title, &title_}, {Id3Artist, &artist_}, {Id3Album, &album_}, {Id3Year, &year_}, {Id3Comment, &comment_},
    };
    for (const auto& [bit, text] : required) {
        if ((mask & bit) && text->empty()) return false;
    }
    // A tag without a known genre is never used, whatever the format asks for.
    return genreName(genre_) != nullptr;
}

std::string TagReader::format(const std::string& format) const {
    // Runs of "%" become one "%" first, so "%%1" is the artist, as the field mask counts it.
    std::string collapsed;
    collapsed.reserve(format.size());
    for (char c : format) {
        if (c == '%' && !collapsed.empty() && collapsed.back() == '%') continue;
        collapsed += c;
    }
    const char* genre = genreName(genre_);
    const std::string values[6] = {
        artist_.empty() ? "Unknown Artist" : artist_, title_.empty() ? "Untitled" : title_,
        album_.empty() ? "Unknown Album" : album_,    year_.empty() ? "Unknown Year" : year_,
        comment_.empty() ? "No Comment" : comment_,   genre ? genre : "",
    };
    // One pass, so a tag text that itself holds "%2" or "%%" is inserted as it is and never
    // expanded again.
    std::string out;
    for (std::size_t i = 0; i < collapsed.size(); ++i) {
        if (collapsed[i] == '%' && i + 1 < collapsed.size() && collapsed[i + 1] >= '1' && collapsed[i + 1] <= '6') {
            out += values[collapsed[i + 1] - '1'];
            ++i;
        } else {
            out += collapsed[i];
        }
    }
    return out;
}

void applyId3(const std::string& path, std::string& base, const std::string& format, std::int32_t mask) {
    TagReader reader(path);
    if (reader.read(mask)) base = reader.format(format);
}

}  // namespace core
