// The ID3v1 filter: a new base built from the tag in the last 128 bytes of an MPEG audio file.
#pragma once

#include <cstdint>
#include <string>

namespace core {

// The name of a genre number, or nullptr for a number without one (above 125).
const char* genreName(int genre);

class TagReader {
public:
    explicit TagReader(std::string path);

    // Reads the tag; true when the file has one, its genre is a known one, and every field that
    // `mask` requires (Id3Field bits) is present. Any failure to read the file counts as no tag.
    bool read(std::int32_t mask);

    // The format with "%1".."%6" replaced by artist, title, album, year, comment and genre (empty
    // fields by their default texts) and runs of "%" collapsed to one.
    std::string format(const std::string& format) const;

    const std::string& title() const { return title_; }
    const std::string& artist() const { return artist_; }
    const std::string& album() const { return album_; }
    const std::string& year() const { return year_; }
    const std::string& comment() const { return comment_; }
    int genre() const { return genre_; }

private:
    std::string path_;
    std::string title_, artist_, album_, year_, comment_;
    int genre_ = 0;
};

// The ID3 rule as the name pipeline applies it: when the tag of the file at `path` is usable for
// `mask`, base becomes the expanded format; otherwise base stays as it is.
void applyId3(const std::string& path, std::string& base, const std::string& format, std::int32_t mask);

}  // namespace core
