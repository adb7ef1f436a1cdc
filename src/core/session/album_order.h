// The order a run takes its files in, the same for the preview, the live list and the run: by
// folder, each folder's sub-folders right after it, then by name as a person sorts names. Files
// found by several patterns ("*.mp3;*.flac") so come album by album, not type by type, and a
// counter restarted in each folder numbers an album's tracks in their order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/session/find_files.h"
#include "core/tags/tag_fields.h"

namespace core {

// How the files of each folder are ordered; the folders come in the same order either way.
enum class AlbumOrder : std::uint8_t {
    Names,  // by name as a person sorts names
    // By the disc, then the track number of their tags (a file without a disc number counts as on
    // disc 1); the files without a track number after them, by name.
    Tags,
};

// Below 0, 0 or above 0, as `a` sorts before, with or after `b`: ASCII letters without regard to
// case, each run of digits by its value ("Track 2" before "Track 10"; of equal values, fewer
// leading zeros first), a path separator before any other character, other bytes by their value.
// Names equal but for case sort by their bytes, so no two names compare equal unless they are.
int naturalCompare(std::string_view a, std::string_view b);

// Sorts files (and the attributes that go with left-out files) into album order. The tag order
// reads the best tag of every file.
void sortInAlbumOrder(FileList& files, AlbumOrder order = AlbumOrder::Names);
void sortInAlbumOrder(LeftOutFiles& files);

// A file's place in its album as its tags give it: 0 for a number it lacks.
struct AlbumPlace {
    std::uint32_t disc = 0;
    std::uint32_t discs = 0;  // of "2/3", 3
    std::uint32_t track = 0;
};
AlbumPlace albumPlace(const TagFields& fields);

// What the tags of a run's files tell of their albums, read once before they are named: for a
// Counter that restarts on each disc, for "%0" (the disc of an album of several discs), and for
// the preview's note on two files of an album with the same disc and track. An album is the files
// that "%9\%3" would put in one folder: one album artist (the artist where there is none) and one
// album title; files without an album title make an album of their folder.
class AlbumFacts {
public:
    // The facts of `files`, their best tags read in order; a file without a tag has no numbers and
    // is of its folder's album.
    static AlbumFacts read(const FileList& files);
    // One more file, in the run's order: its album's key (albumKey) and its place.
    void add(const std::string& album, const AlbumPlace& place);

    bool empty() const { return files_.empty(); }
    // The disc a counter restarts on: the tag's number, 1 for a file without one.
    std::uint32_t disc(std::size_t file) const { return files_[file].disc ? files_[file].disc : 1; }
    // How many discs the file's album has: the distinct disc numbers of its files in the run, or
    // the total a tag gives ("2/3"), whichever is more.
    std::uint32_t albumDiscs(std::size_t file) const { return albums_[files_[file].album].discs; }
    // Each file that shares its album, disc and track number with another file of the run, with
    // the first other such file, by file.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sameDiscAndTrack() const;

    // The key of a file's album: its album artist and album, or its folder where it has no album.
    static std::string albumKey(const TagFields* fields, std::string_view folder);

private:
    struct File {
        std::uint32_t album, disc, track;
    };
    struct Album {
        std::uint32_t discs = 0;
        std::vector<std::uint32_t> discNumbers;  // distinct, as met
    };
    std::vector<File> files_;
    std::vector<Album> albums_;
    std::unordered_map<std::string, std::uint32_t> albumIndex_;
};

}  // namespace core
