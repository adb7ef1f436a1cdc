// Names as a person sorts them, and albums as their tags order them.
#include "core/session/album_order.h"

#include <gtest/gtest.h>

#include <optional>

#include "core/base/app_paths.h"
#include "core/rules/filter_kinds.h"
#include "core/session/rename_run.h"
#include "platform/files.h"
#include "support/recording_reporter.h"
#include "support/tag_files.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using testing_support::TempFolder;
using testing_support::TextEncoding;
using testing_support::writeFile;

TEST(AlbumOrder, NamesSortAsAPersonSortsThem) {
    const struct {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"Track 2", "Track 10", -1},  // numbers by their value
        {"a1b2", "a1b10", -1},
        {"x7", "x07", -1},                                      // of equal values, fewer zeros first
        {"x07b", "x7c", -1},                                    // the zeros only decide a tie
        {"a00y", "a0x", 1},                                     // a tie of zeros that begins alike
        {"x12", "x1a", 1},                                      // a run that begins alike counts whole
        {"99999999999999999999", "100000000000000000000", -1},  // longer than any integer
        {"apple", "Banana", -1},                                // without regard to case
        {"ABC", "abc", -1},                                     // equal but for case: by their bytes, never equal
        {"A/b", "A b", -1},                                     // a folder's sub-folders before its neighbours
        {"", "a", -1},
        {"same", "same", 0},
    };
    for (const auto& c : cases) {
        const int forward = core::naturalCompare(c.a, c.b), backward = core::naturalCompare(c.b, c.a);
        EXPECT_EQ((forward > 0) - (forward < 0), c.sign) << c.a << " / " << c.b;
        EXPECT_EQ((backward > 0) - (backward < 0), -c.sign) << c.b << " / " << c.a;
    }
}

// A folder of an album of two discs, its tracks named out of order, and a folder of a one-disc
// album that has track 1 twice: the tag order, a counter restarted on each disc, "%0" and the
// preview's note.
TEST(AlbumOrder, TagsOrderNumberAndNameTheFilesOfAnAlbum) {
    using testing_support::TagTexts;
    const TagTexts two{"", "Artist", "Double", "", "", "", "", "", ""};
    const TagTexts one{"", "Band", "Single", "", "", "", "", "", ""};
    const auto with = [](TagTexts tags, const char* title, const char* track, const char* disc) {
        tags.title = title;
        tags.track = track;
        tags.disc = disc;
        return tags;
    };
    const struct {
        const char* path;
        std::optional<TagTexts> tags;
    } files[] = {
        {"A/a.mp3", with(two, "Second", "2", "1")},
        {"A/b.mp3", with(two, "Third", "1/9", "2")},  // disc 2: the album has two
        {"A/c.mp3", with(two, "First", "1", "1")},
        {"A/d.mp3", std::nullopt},  // no tag: after the tracks
        {"B/s1.mp3", with(one, "Intro", "1", "")},
        {"B/s2.mp3", with(one, "Intro again", "01", "1")},
        {"B/s3.mp3", with(one, "Outro", "2", "")},
    };
    TempFolder music;
    for (const auto& file : files) {
        platform::createFolder(music / std::string(file.path).substr(0, 1));
        writeFile(music / file.path, file.tags ? testing_support::id3v2Tag(*file.tags, 4, TextEncoding::Utf8) +
                                                     testing_support::mpegFrames()
                                               : std::string("no tag"));
    }
    FileList found;
    ASSERT_TRUE(findFiles(found, true, music.path(), "*.mp3").empty());
    const RuleList rules = {*buildFilter("--id3", {{"%3 CD%0 %7 %2"}}).rule,
                            *buildFilter("--counter", {{"%b (%n)", "1", "1"}, 2}).rule};
    const struct {
        AlbumOrder order;
        std::vector<std::string> names;  // the run's order, and each file's new name and status
    } cases[] = {
        {AlbumOrder::Names,
         {"a.mp3 Double CD1 02 Second (1).mp3 ok", "b.mp3 Double CD2 01 Third (1).mp3 ok",
          "c.mp3 Double CD1 01 First (1).mp3 ok", "d.mp3 d (2).mp3 ok",  // no tag: disc 1, as c
          "s1.mp3 Single 01 Intro (1).mp3 ok (same disc and track as s2.mp3)",
          "s2.mp3 Single 01 Intro again (2).mp3 ok (same disc and track as s1.mp3)",
          "s3.mp3 Single 02 Outro (3).mp3 ok"}},
        {AlbumOrder::Tags,
         {"c.mp3 Double CD1 01 First (1).mp3 ok", "a.mp3 Double CD1 02 Second (2).mp3 ok",
          "b.mp3 Double CD2 01 Third (1).mp3 ok", "d.mp3 d (1).mp3 ok",
          "s1.mp3 Single 01 Intro (1).mp3 ok (same disc and track as s2.mp3)",
          "s2.mp3 Single 01 Intro again (2).mp3 ok (same disc and track as s1.mp3)",
          "s3.mp3 Single 02 Outro (3).mp3 ok"}},
    };
    TempFolder app;
    testing_support::RecordingReporter reporter;
    for (const auto& c : cases) {
        FileList list = found;
        sortInAlbumOrder(list, c.order);
        RunOptions options;
        options.tagOrder = c.order == AlbumOrder::Tags;
        RenameRun run(nullptr, rules, std::move(list), options, AppPaths::in(app.path()), reporter);
        std::vector<std::string> shown;
        for (const PreviewLine& line : run.preview()) {
            shown.push_back(line.file->name.str() + " " + std::string(line.newName) + " " + statusText(line));
        }
        EXPECT_EQ(shown, c.names);
    }
    EXPECT_TRUE(reporter.messages.empty());
}

// What the run's files tell of their albums, file by file in the run's order.
TEST(AlbumOrder, AlbumFactsCountDiscsAndFindTracksTwice) {
    const struct {
        const char* album;
        AlbumPlace place;
        std::uint32_t disc, albumDiscs;
    } files[] = {
        {"x", {1, 0, 1}, 1, 2},                          // disc 2 of the same album comes later
        {"y", {0, 0, 1}, 1, 1},                          // no disc number: disc 1
        {"x", {2, 0, 1}, 2, 2}, {"y", {1, 0, 1}, 1, 1},  // track 1 of disc 1 again
        {"z", {1, 3, 4}, 1, 3},                          // its tag says three
        {"x", {2, 0, 0}, 2, 2},                          // no track: never the same as another
        {"x", {2, 0, 0}, 2, 2},
    };
    AlbumFacts facts;
    for (const auto& file : files) facts.add(file.album, file.place);
    for (std::size_t i = 0; i < std::size(files); ++i) {
        EXPECT_EQ(facts.disc(i), files[i].disc) << i;
        EXPECT_EQ(facts.albumDiscs(i), files[i].albumDiscs) << i;
    }
    EXPECT_EQ(facts.sameDiscAndTrack(), (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{1, 3}, {3, 1}}));
    // The album artist names the album, the artist where there is none; no album, the folder.
    const std::pair<TagFields, const char*> keys[] = {
        {TagFields{"", "Artist", "Album", "", "", "", "", "", "Various"}, "Various"},
        {TagFields{"", "Artist", "Album", "", "", "", "", "", ""}, "Artist"},
        {TagFields{"", "Artist", "", "", "", "", "", "", "Various"}, ""},
    };
    for (const auto& [fields, artist] : keys) {
        const std::string key = AlbumFacts::albumKey(&fields, "/m/");
        EXPECT_EQ(key, *artist ? std::string(artist) + '\0' + "Album" : std::string(1, '\0') + "/m/");
    }
    EXPECT_EQ(AlbumFacts::albumKey(nullptr, "/m/"), std::string(1, '\0') + "/m/");
}

}  // namespace
