#include "core/tags/tag_fields.h"

#include <taglib/apetag.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tdebuglistener.h>
#include <taglib/tiostream.h>
#include <taglib/tpropertymap.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"

namespace core {
namespace {

constexpr std::size_t kId3v1Size = 128;

bool isTrailingSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string trimEnd(std::string text) {
    while (!text.empty() && isTrailingSpace(text.back())) text.pop_back();
    return text;
}

// Texts that taggers mark as Latin-1 were often written in the tagger's own code page, or in
// UTF-8: decode them as the program decodes every legacy text, so that ID3v1 and ID3v2 agree.
TagLib::String legacyText(const TagLib::ByteVector& data) {
    std::string bytes(data.data(), data.size());
    bytes.resize(bytes.find('\0') == std::string::npos ? bytes.size() : bytes.find('\0'));
    return TagLib::String(trimEnd(platform::legacyTextToUtf8(bytes)), TagLib::String::UTF8);
}

class LegacyId3v2Text : public TagLib::ID3v2::Latin1StringHandler {
public:
    TagLib::String parse(const TagLib::ByteVector& data) const override { return legacyText(data); }
};

class LegacyId3v1Text : public TagLib::ID3v1::StringHandler {
public:
    TagLib::String parse(const TagLib::ByteVector& data) const override { return legacyText(data); }
};

// A broken tag is the same as no tag: nothing for the console of a command-line run.
class Silent : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String&) override {}
};

void installHandlers() {
    static const LegacyId3v2Text id3v2;
    static const LegacyId3v1Text id3v1;
    static Silent silent;
    static const bool installed = [] {
        TagLib::ID3v2::Tag::setLatin1StringHandler(&id3v2);
        TagLib::ID3v1::Tag::setStringHandler(&id3v1);
        TagLib::setDebugListener(&silent);
        return true;
    }();
    (void)installed;
}

// TagLib reads through the program's own file layer, so a file opens as every other file does
// (by its wide name on Windows, by its bytes on POSIX), and nothing can ever be written.
class ReadOnlyStream : public TagLib::IOStream {
public:
    explicit ReadOnlyStream(const std::string& path)
        : file_(path, platform::File::Mode::Read), length_(file_.length()), name_(nameFor(path)) {}

    bool tooLong() const { return length_ > static_cast<std::uint64_t>(LONG_MAX); }

    TagLib::FileName name() const override { return name_.c_str(); }

    TagLib::ByteVector readBlock(unsigned long length) override {
        if (position_ >= length_) return TagLib::ByteVector();
        // Never more than the file holds, whatever size a broken tag claims.
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(length, length_ - position_));
        TagLib::ByteVector data;
        // Tags live at the two ends of a file: one read of each end serves TagLib's many small
        // reads there, so naming a file from its tags costs little more than opening it.
        for (Window* window : {&head_, &tail_}) {
            const std::uint64_t start = window == &head_ ? 0 : length_ - std::min<std::uint64_t>(length_, kWindow);
            if (position_ < start || position_ + count > start + std::min<std::uint64_t>(length_ - start, kWindow)) {
                continue;
            }
            if (!window->loaded && !load(*window, start)) return TagLib::ByteVector();
            data.setData(window->bytes.data() + (position_ - start), static_cast<unsigned int>(count));
            position_ += count;
            return data;
        }
        data.resize(static_cast<unsigned int>(count));
        const std::size_t got = readAt(position_, data.data(), count);
        data.resize(static_cast<unsigned int>(got));
        position_ += got;
        return data;
    }

    void seek(long offset, Position from) override {
        const std::int64_t origin = from == Beginning ? 0
                                    : from == Current ? static_cast<std::int64_t>(position_)
                                                      : static_cast<std::int64_t>(length_);
        if (origin + offset >= 0) position_ = static_cast<std::uint64_t>(origin + offset);
    }
    long tell() const override { return static_cast<long>(position_); }
    long length() override { return static_cast<long>(length_); }

    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    void truncate(long) override {}

private:
    static constexpr std::uint64_t kUnknown = ~std::uint64_t{0};
    static constexpr std::uint64_t kWindow = 4096;

    struct Window {
        bool loaded = false;
        std::string bytes;
    };

    bool load(Window& window, std::uint64_t start) {
        window.bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(length_ - start, kWindow)));
        window.loaded = readAt(start, window.bytes.data(), window.bytes.size()) == window.bytes.size();
        return window.loaded;
    }

    // A read error reads as the end of the file.
    std::size_t readAt(std::uint64_t at, char* buffer, std::size_t count) {
        try {
            if (filePosition_ != at) file_.seek(static_cast<std::int64_t>(at), platform::File::SeekFrom::Begin);
            const std::size_t got = file_.read(buffer, count);
            filePosition_ = at + got;
            return got;
        } catch (const platform::FileError&) {
            filePosition_ = kUnknown;
            return 0;
        }
    }

    // TagLib picks the format from the name's extension; the rest of the name is of no use to
    // it, and an ASCII name works on every platform.
    static std::string nameFor(const std::string& path) {
        const std::size_t period = path.rfind('.');
        std::string name = "file";
        if (period == std::string::npos || path.find_first_of("/\\", period) != std::string::npos) return name;
        for (std::size_t i = period; i < path.size(); ++i) {
            if (static_cast<unsigned char>(path[i]) >= 0x80) return name;
        }
        return name + path.substr(period);
    }

    platform::File file_;
    std::uint64_t length_;
    std::uint64_t position_ = 0;
    std::uint64_t filePosition_ = 0;
    Window head_, tail_;
    std::string name_;
};

// The property maps of the file's own tags, best first; an ID3v1 tag is left to our own reader.
std::vector<TagLib::PropertyMap> ownTags(TagLib::File& file) {
    std::vector<TagLib::PropertyMap> tags;
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(&file)) {
        if (mpeg->hasID3v2Tag()) tags.push_back(mpeg->ID3v2Tag()->properties());
        if (mpeg->hasAPETag()) tags.push_back(mpeg->APETag()->properties());
    } else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(&file)) {
        if (flac->hasXiphComment()) tags.push_back(flac->xiphComment()->properties());
        if (flac->hasID3v2Tag()) tags.push_back(flac->ID3v2Tag()->properties());
    } else {
        tags.push_back(file.properties());
    }
    return tags;
}

// The first value of the first of `keys` that a tag has, trimmed; several values of one text
// field (two ARTIST comments) are joined.
std::string valueOf(const std::vector<TagLib::PropertyMap>& tags, std::initializer_list<const char*> keys,
                    bool joined = true) {
    for (const TagLib::PropertyMap& tag : tags) {
        for (const char* key : keys) {
            const auto found = tag.find(key);
            if (found == tag.end() || found->second.isEmpty()) continue;
            const TagLib::String text = joined ? found->second.toString(", ") : found->second.front();
            std::string value = trimEnd(text.to8Bit(true));
            if (!value.empty()) return value;
        }
    }
    return std::string();
}

}  // namespace

std::optional<TagFields> readBestTags(const std::string& path) {
    installHandlers();
    std::optional<ReadOnlyStream> stream;
    try {
        stream.emplace(path);
    } catch (const platform::FileError&) {
        return std::nullopt;  // a missing or locked file is the same as no tag
    }
    if (stream->tooLong()) return std::nullopt;

    TagFields fields;
    bool found = false;
    {
        const TagLib::FileRef ref(&*stream, false);
        if (!ref.isNull()) {
            const std::vector<TagLib::PropertyMap> tags = ownTags(*ref.file());
            fields.title = valueOf(tags, {"TITLE"});
            fields.artist = valueOf(tags, {"ARTIST"});
            fields.album = valueOf(tags, {"ALBUM"});
            fields.year = valueOf(tags, {"DATE", "YEAR"}, false);
            fields.comment = valueOf(tags, {"COMMENT", "DESCRIPTION"});
            fields.genre = valueOf(tags, {"GENRE"});
            fields.track = valueOf(tags, {"TRACKNUMBER"}, false);
            fields.disc = valueOf(tags, {"DISCNUMBER"}, false);
            fields.albumArtist = valueOf(tags, {"ALBUMARTIST", "ALBUM ARTIST"});
            for (const std::string* text : {&fields.title, &fields.artist, &fields.album, &fields.year, &fields.comment,
                                            &fields.genre, &fields.track, &fields.disc, &fields.albumArtist}) {
                found = found || !text->empty();
            }
        }
    }

    // An ID3v1 tag fills what the file's own tags leave empty.
    if (stream->length() > static_cast<long>(kId3v1Size)) {
        stream->seek(-static_cast<long>(kId3v1Size), TagLib::IOStream::End);
        const TagLib::ByteVector tag = stream->readBlock(kId3v1Size);
        if (tag.size() == kId3v1Size && tag.startsWith("TAG")) {
            const TagFields v1 = parseId3v1(tag.data());
            const std::pair<std::string*, const std::string*> pairs[] = {
                {&fields.title, &v1.title}, {&fields.artist, &v1.artist},   {&fields.album, &v1.album},
                {&fields.year, &v1.year},   {&fields.comment, &v1.comment}, {&fields.genre, &v1.genre},
                {&fields.track, &v1.track},
            };
            for (const auto& [best, fallback] : pairs) {
                if (best->empty()) *best = *fallback;
            }
            found = true;
        }
    }
    if (!found) return std::nullopt;
    return fields;
}

}  // namespace core
