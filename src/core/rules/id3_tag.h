// The tag filter: a new base built from the tags of a music file. Rules without the best-tag bit
// read the ID3v1 tag in the last 128 bytes of the file alone, exactly as they always have; rules
// with it read the best tag the file has.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/tags/tag_fields.h"

namespace core {

class TagReader {
public:
    explicit TagReader(std::string path, bool bestTag = false);

    // Reads the tags; true when the file has a usable tag and every field that `mask` requires
    // (Id3Field bits) is present. Any failure to read the file counts as no tag.
    //  - ID3v1 alone: the tag needs a known genre, whatever the format asks for.
    //  - best tag: any tag will do; %9's requirement is met by the artist too.
    bool read(std::int32_t mask);

    // The format with its placeholders replaced by the fields read (empty fields by their default
    // texts) and runs of "%" collapsed to one: "%1".."%6" for artist, title, album, year, comment
    // and genre, and with the best tag "%7" track (two digits at least), "%8" disc and "%9" album
    // artist. With safeNames every inserted text is made a valid part of a file name (see
    // safeTagText) and the result loses trailing spaces and periods.
    // `clean`: the Clean Up steps (CleanFlags) each inserted text takes first.
    // `multiDisc`, given for a rule that knows "%0" (Id3DiscField): whether the run found more
    // than one disc of the file's album. "%0" is then the disc number when the album has several
    // discs (by the run's files, or by the tag's own "2/3"), and otherwise empty. An empty "%0"
    // takes with it the text written right before it, back to the previous field or folder
    // separator ("CD" of "CD%0\", " (Disc " of "%3 (Disc %0)", with the ")" that closes it); with
    // nothing written there, the text right after it, up to the next field or separator ("-" of
    // "%0-%7"). So "%9\%3\CD%0\%7 - %2" gives a CD folder only to albums of several discs.
    std::string format(const std::string& format, bool safeNames = false, std::int32_t clean = 0,
                       std::optional<bool> multiDisc = std::nullopt) const;

    const TagFields& fields() const { return fields_; }
    int genre() const { return genre_; }  // the ID3v1 genre number

private:
    std::string path_;
    bool bestTag_;
    TagFields fields_;
    int genre_ = 0;
};

// A tag text made fit for a file name: "/", "\" and "|" become "-", ":" becomes " -" ("Artist:
// Title" reads "Artist - Title"), "?", "*", '"', "<" and ">" are dropped, and each run of control
// characters (a line break, a tab) becomes one space.
std::string safeTagText(const std::string& text);

// The number before a "/" ("7" of "7/12"), trimmed; empty for none or zero. Track numbers get two
// digits at least ("07"); disc numbers stay as written.
std::string trackNumber(const std::string& text);
std::string discNumber(const std::string& text);
// The number after the "/" ("12" of "7/12") as a value; 0 for none.
std::uint32_t totalOf(const std::string& text);
// The number before the "/" as a value; 0 for none or one that is no number.
std::uint32_t numberOf(const std::string& text);

// The ID3 rule as the name pipeline applies it: when the tags of the file at `path` are usable
// for the rule's option (field mask and behaviour bits), base becomes the expanded format;
// otherwise base stays as it is. A safe name that comes out empty leaves the base as well, and so
// does any name that comes out empty where the format uses "%0".
// `albumDiscs`: the discs the run found for the file's album (RunPosition::albumDiscs).
void applyId3(const std::string& path, std::string& base, const std::string& format, std::int32_t option,
              std::int32_t clean = 0, std::uint32_t albumDiscs = 0);

}  // namespace core
