#include "core/tags/tag_fields.h"

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

TagFields parseId3v1(const char* tag, int* genreNumber) {
    TagFields fields;
    fields.title = field(tag + 3, 30);
    fields.artist = field(tag + 33, 30);
    fields.album = field(tag + 63, 30);
    fields.year = field(tag + 93, 4);
    fields.comment = field(tag + 97, 30);
    // ID3v1.1: a zero byte before the comment's last byte, which then holds the track number.
    if (tag[125] == '\0' && tag[126] != '\0') {
        fields.track = std::to_string(static_cast<unsigned char>(tag[126]));
    }
    const int genre = static_cast<unsigned char>(tag[127]);
    if (const char* name = genreName(genre)) fields.genre = name;
    if (genreNumber) *genreNumber = genre;
    return fields;
}

}  // namespace core
