#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/app/app_context.h"
#include "core/app/file_list.h"
#include "core/app/rename_job.h"
#include "core/rules/filter_kinds.h"
#include "core/undo/undo_catalog.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/recording_reporter.h"
#include "support/tag_files.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using testing_support::TempFolder;
using testing_support::writeFile;

// Every entry under `root`, relative to it with "/" between folders, folders ending in "/".
std::set<std::string> tree(const std::string& root) {
    std::set<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(std::filesystem::u8path(root))) {
        std::string relative =
            std::filesystem::relative(entry.path(), std::filesystem::u8path(root)).generic_u8string();
        if (entry.is_directory()) relative += "/";
        entries.insert(relative);
    }
    return entries;
}

// A tagged file: "path|artist|album|title|track", or a plain one: "path" (its content its path).
void make(const std::string& root, const std::string& line) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t bar = line.find('|', start);
        parts.push_back(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    const std::filesystem::path path = std::filesystem::u8path(root + "/" + parts[0]);
    if (parts[0].back() == '/') {
        std::filesystem::create_directories(path);
        return;
    }
    std::filesystem::create_directories(path.parent_path());
    if (parts.size() == 1) {
        writeFile(path.u8string(), parts[0]);
        return;
    }
    testing_support::TagTexts tags;
    tags.artist = parts[1];
    tags.album = parts[2];
    tags.title = parts[3];
    tags.track = parts[4];
    tags.year = "1976";
    writeFile(path.u8string(),
              testing_support::id3v2Tag(tags, 4, testing_support::TextEncoding::Utf8) + testing_support::mpegFrames());
}

// Organising as a user does it: the files found, the folders made, the album's other files along,
// the emptied folders gone; then one undo puts back every file and folder as it was.
TEST(IntoFolders, FilesGoWhereTheirTagsSayAndUndoPutsEverythingBack) {
    struct Case {
        const char* what;
        std::vector<const char*> files;
        const char* format;
        bool companions;
        int into;  // into the folder "out" beside the run's folder: 1 as the run is told, 2 as the filter says
        std::set<std::string> after;  // under the run's folder (or "out" for `into`)
        const char* summary;          // of the preview
    };
    const Case cases[] = {
        {"one album from two spellings, its companions along, the emptied folder gone",
         {"messy/a1.mp3|ABBA|Arrival|One|1", "messy/a2.mp3|Abba|Arrival|Two|2", "messy/a1.lrc", "messy/cover.jpg"},
         "%1\\%3\\%7 - %2",
         true,
         0,
         {"ABBA/", "ABBA/Arrival/", "ABBA/Arrival/01 - One.mp3", "ABBA/Arrival/02 - Two.mp3",
          "ABBA/Arrival/01 - One.lrc", "ABBA/Arrival/cover.jpg"},
         "4 files: 4 ok; 2 of them companions; 2 folders to make, 1 emptied folder to remove"},
        {"a folder holding a hidden file stays, and so do the companions when told",
         {"messy/a1.mp3|ABBA|Arrival|One|1", "messy/.hidden", "messy/a1.lrc"},
         "%1\\%3\\%7 - %2",
         false,
         0,
         {"ABBA/", "ABBA/Arrival/", "ABBA/Arrival/01 - One.mp3", "messy/", "messy/.hidden", "messy/a1.lrc"},
         "1 file: 1 ok; 2 folders to make"},
        {"an album split over two folders leaves the folder's own files where they are",
         {"mix/a.mp3|ABBA|Arrival|One|1", "mix/b.mp3|Queen|Jazz|Two|2", "mix/cover.jpg"},
         "%1\\%7 - %2",
         true,
         0,
         {"ABBA/", "ABBA/01 - One.mp3", "Queen/", "Queen/02 - Two.mp3", "mix/", "mix/cover.jpg"},
         "3 files: 2 ok, 1 unchanged; 1 of them a companion; 2 folders to make"},
        {"a slash in a tag makes no folder; a device name makes none either",
         {"a.mp3|AC/DC|Back|One|1", "b.mp3|CON|Live|Two|2"},
         "%1\\%7 - %2",
         true,
         0,
         {"AC-DC/", "AC-DC/01 - One.mp3", "b.mp3"},
         "2 files: 1 ok, 1 invalid; 1 folder to make"},
        {"a folder on the disk in another case is used as it is spelled there",
         {"abba/", "a.mp3|ABBA|Arrival|One|1"},
         "%1\\%7 - %2",
         true,
         0,
         {"abba/", "abba/01 - One.mp3"},
         "1 file: 1 ok"},
        {"emptied folders go up to the run's folder, and a file without tags stays",
         {"x/y/a.mp3|ABBA|Arrival|One|1", "x/y/z.mp3", "w/b.mp3|ABBA|Arrival|Two|2"},
         "%1\\%7 - %2",
         true,
         0,
         {"ABBA/", "ABBA/01 - One.mp3", "ABBA/02 - Two.mp3", "x/", "x/y/", "x/y/z.mp3"},
         "3 files: 2 ok, 1 unchanged; 1 folder to make, 1 emptied folder to remove"},
        {"into another folder: the run's folder itself stays, emptied",
         {"a.mp3|ABBA|Arrival|One|1", "sub/b.mp3|ABBA|Arrival|One|2"},
         "%1\\%2",
         true,
         1,
         {"ABBA/", "ABBA/One.mp3"},
         "2 files: 1 ok, 1 duplicate; 1 folder to make"},
        {"into the folder the filter names",
         {"a.mp3|ABBA|Arrival|One|1", "sub/b.mp3|ABBA|Arrival|One|2"},
         "%1\\%2",
         true,
         2,
         {"ABBA/", "ABBA/One.mp3"},
         "2 files: 1 ok, 1 duplicate; 1 folder to make"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder home, top;
        const std::string music = top / "music", out = top / "out";
        std::filesystem::create_directories(std::filesystem::u8path(music));
        std::filesystem::create_directories(std::filesystem::u8path(out));
        for (const char* file : c.files) make(music, file);
        const std::set<std::string> before = tree(music);
        AppContext context(AppPaths::in(home.path()));
        testing_support::RecordingReporter reporter;
        const FilterKind& id3 = *findFilterKind("--id3");
        RuleList rules = {
            *buildFilter(id3, FilterValues{{c.format, c.into == 2 ? out : ""}, 1u << id3.flagOfModifier("--folders")})
                 .rule};
        RenameRequest request{music, "*.mp3", true, rules, true, false, false, {}};
        request.companions = c.companions;
        if (c.into == 1) request.into = out;
        // Every other case file by file, as the Confirmation dialog goes, each name as proposed.
        request.confirm = (&c - cases) % 2 == 1;
        {
            // The window's live list shows the same plan; the album's other files follow theirs
            // and cannot be unchecked on their own.
            FileListSource source;
            const auto list = source.make(context, request, reporter, {}, {}, false, {});
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(list->summary(), c.summary);
            for (std::size_t i = 0; i < list->size(); ++i) {
                const bool along = i >= list->plan().ownFiles() && i < list->plan().runFiles();
                EXPECT_TRUE(!along || !list->checkable(i)) << i;
            }
        }
        PreparedRename prepared = prepareRename(context, request, reporter);
        ASSERT_EQ(prepared.refusal, PreparedRename::Refusal::None);
        EXPECT_EQ(previewSummary(prepared.run->preview()), c.summary);
        if (request.confirm) {
            while (const RunStep* step = prepared.run->next()) {
                if (!prepared.run->apply(step->newName)) prepared.run->skip();
            }
        } else {
            prepared.run->runAll();
        }
        prepared.run->finish();
        prepared.run.reset();
        EXPECT_EQ(tree(c.into ? out : music), c.after);
        if (c.into) {
            EXPECT_EQ(tree(music), std::set<std::string>({"sub/", "sub/b.mp3"}));
        }

        UndoCatalog catalog(context.paths());
        catalog.refresh();
        ASSERT_EQ(catalog.entries().size(), 1u);
        catalog.undoDatabase(catalog.entries()[0]);
        EXPECT_EQ(tree(music), before) << "undone";
        if (c.into) {
            EXPECT_TRUE(tree(out).empty());
        }
    }
}

}  // namespace
