#include "core/tags/tag_fields.h"

#include <taglib/apetag.h>
#include <taglib/commentsframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tdebuglistener.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tiostream.h>
#include <taglib/tpropertymap.h>
#include <taglib/unknownframe.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <array>
#include <climits>
#include <iterator>
#include <vector>

#include "core/tags/id3v2_text.h"
#include "core/tags/tag_keys.h"
#include "platform/files.h"
#include "platform/text.h"

namespace core {
namespace tags {

std::string trimEnd(std::string text) {
    const auto isTrailingSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (!text.empty() && isTrailingSpace(text.back())) text.pop_back();
    return text;
}

std::string legacyTagText(std::string_view bytes) {
    return trimEnd(platform::legacyTextToUtf8(std::string(bytes.substr(0, bytes.find('\0')))));
}

}  // namespace tags

namespace {

using namespace tags;

constexpr std::size_t kId3v1Size = 128;

// TagLib's Latin-1 texts, read as every tag reader of the program reads them.
TagLib::String legacyText(const TagLib::ByteVector& data) {
    return TagLib::String(legacyTagText(std::string_view(data.data(), data.size())), TagLib::String::UTF8);
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
        : file_(path, platform::File::Mode::Read), length_(file_.lengthWhenOpened()), name_(nameFor(path)) {}

    bool tooLong() const { return length_ > static_cast<std::uint64_t>(LONG_MAX); }

    // An ID3v2 tag starts the file.
    bool startsWithId3v2() { return viewAt(0, 3) == "ID3"; }
    // An APE tag ends the file, or stands just before its ID3v1 tag.
    bool hasApeTag() {
        const std::uint64_t v1 = viewAt(length_ < kId3v1Size ? 0 : length_ - kId3v1Size, 3) == "TAG" ? kId3v1Size : 0;
        return length_ >= v1 + 32 && viewAt(length_ - v1 - 32, 8) == "APETAGEX";
    }
    // The ID3v1 tag that ends the file, or nothing.
    std::string_view id3v1Tag() {
        if (length_ <= kId3v1Size) return {};
        const std::string_view tag = viewAt(length_ - kId3v1Size, kId3v1Size);
        return tag.substr(0, 3) == "TAG" ? tag : std::string_view();
    }

    // The ID3v2 tag that starts the file, header and all, as long as its header says: in the
    // head window when it fits there, else read whole into `spill`. Empty when the file is shorter.
    std::string_view id3v2Tag(std::string& spill) {
        const std::string_view header = viewAt(0, 10);
        if (header.size() < 10) return {};
        std::uint64_t total = 0;
        for (std::size_t i = 6; i < 10; ++i) total = (total << 7) | (static_cast<unsigned char>(header[i]) & 0x7F);
        total += 10;
        if (total > length_) return {};
        if (total <= head_.size) return std::string_view(head_.bytes, static_cast<std::size_t>(total));
        spill.resize(static_cast<std::size_t>(total));
        if (readAt(0, spill.data(), spill.size()) != spill.size()) return {};
        return spill;
    }

    TagLib::FileName name() const override { return name_.c_str(); }

    TagLib::ByteVector readBlock(unsigned long length) override {
        if (position_ >= length_) return TagLib::ByteVector();
        // Never more than the file holds, whatever size a broken tag claims.
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(length, length_ - position_));
        TagLib::ByteVector data;
        if (const char* bytes = inWindow(position_, count)) {
            data.setData(bytes, static_cast<unsigned int>(count));
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
    // The `count` bytes at `at` when they lie within one of the two windows, else nothing.
    std::string_view viewAt(std::uint64_t at, std::size_t count) {
        const char* bytes = at < length_ && count <= length_ - at ? inWindow(at, count) : nullptr;
        return bytes ? std::string_view(bytes, count) : std::string_view();
    }

    // Tags live at the two ends of a file: one read of each end serves TagLib's many small reads
    // there, so naming a file from its tags costs little more than opening it. The `count` bytes
    // at `at` (within the file) in a window, loaded when first needed; null when they lie
    // elsewhere or cannot be read.
    const char* inWindow(std::uint64_t at, std::size_t count) {
        for (Window* window : {&head_, &tail_}) {
            const std::uint64_t start = window == &head_ ? 0 : length_ - std::min<std::uint64_t>(length_, kWindow);
            if (at < start || at + count > start + std::min<std::uint64_t>(length_ - start, kWindow)) continue;
            if (!window->loaded && !load(*window, start)) return nullptr;
            return window->bytes + (at - start);
        }
        return nullptr;
    }

    static constexpr std::uint64_t kUnknown = ~std::uint64_t{0};
    static constexpr std::uint64_t kWindow = 4096;

    // A fixed buffer: neither allocated nor cleared for each file.
    struct Window {
        bool loaded = false;
        std::size_t size = 0;
        char bytes[kWindow];
    };

    bool load(Window& window, std::uint64_t start) {
        window.size = static_cast<std::size_t>(std::min<std::uint64_t>(length_ - start, kWindow));
        window.loaded = readAt(start, window.bytes, window.size) == window.size;
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

void append(std::vector<std::string>& to, const TagLib::StringList& list) {
    for (const TagLib::String& value : list) to.push_back(value.to8Bit(true));
}

int keyIndex(const TagLib::String& key) {
    for (int k = 0; k < kKeyCount; ++k) {
        if (key == kKeyNames[k]) return k;
    }
    return -1;
}

// The values of a tag's properties (keys are upper case there), in one pass over them: asking
// the map for each key in turn costs more than reading the tag did.
void addProperties(const TagLib::PropertyMap& properties, KeyValues& values) {
    for (const auto& [key, list] : properties) {
        const int k = keyIndex(key);
        if (k >= 0) append(values[static_cast<std::size_t>(k)], list);
    }
}

// What an ID3v2 tag's properties give for each key, frame by frame as TagLib gives them, but
// taking the plain text frames of the fields straight from the frame: a property map built and
// merged for every frame costs more than reading the tag.
KeyValues id3v2Values(const TagLib::ID3v2::Tag& tag) {
    KeyValues values;
    for (const TagLib::ID3v2::Frame* frame : tag.frameList()) {
        if (dynamic_cast<const TagLib::ID3v2::UnknownFrame*>(frame)) continue;  // no properties
        const TagLib::ByteVector& id = frame->frameID();
        const PlainTextFrame* plain = nullptr;
        for (const PlainTextFrame& candidate : kPlainTextFrames) {
            if (id == candidate.id) plain = &candidate;
        }
        const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame);
        if (!plain || !text) {
            // Only text and comment frames give any of these keys; pictures, links, lyrics and
            // the rest give others.
            if (id == "TXXX") {
                if (const auto* user = dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame*>(frame)) {
                    addProperties(user->asProperties(), values);
                }
            } else if (id == "COMM") {
                if (const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(frame)) {
                    addProperties(comment->asProperties(), values);
                }
            } else if (text && !id.isEmpty() && id[0] == 'T') {
                addProperties(text->asProperties(), values);
            }
            continue;
        }
        TagLib::StringList list = text->fieldList();
        for (TagLib::String& value : list) {
            if (plain->key == Genre) {
                // Genre numbers, as ID3v1 has them, name their genre.
                bool number = false;
                const int genre = value.toInt(&number);
                if (number) value = TagLib::ID3v1::genre(genre);
            } else if (plain->key == Date) {
                // A timestamp's "T" between date and time reads as a space.
                const int at = value.find("T");
                if (at != -1) value[at] = ' ';
            }
        }
        append(values[static_cast<std::size_t>(plain->key)], list);
    }
    return values;
}

KeyValues propertyValues(const TagLib::PropertyMap& properties) {
    KeyValues values;
    addProperties(properties, values);
    return values;
}

// The values of the file's own tags, best first; an ID3v1 tag is left to our own reader.
std::vector<KeyValues> ownTags(TagLib::File& file) {
    std::vector<KeyValues> tags;
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(&file)) {
        if (mpeg->hasID3v2Tag()) tags.push_back(id3v2Values(*mpeg->ID3v2Tag()));
        if (mpeg->hasAPETag()) tags.push_back(propertyValues(mpeg->APETag()->properties()));
    } else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(&file)) {
        if (flac->hasXiphComment()) tags.push_back(propertyValues(flac->xiphComment()->properties()));
        if (flac->hasID3v2Tag()) tags.push_back(id3v2Values(*flac->ID3v2Tag()));
    } else {
        tags.push_back(propertyValues(file.properties()));
    }
    return tags;
}

// Each field from the first of its keys that a tag has, the tags taken best first, trimmed.
// Several values of one text field (two ARTIST comments) are joined; a number or date takes its
// first value.
void fillFields(const KeyValues* tags, std::size_t count, TagFields& fields) {
    struct Field {
        std::string* text;
        std::initializer_list<Key> keys;
        bool joined;
    };
    const Field wanted[] = {
        {&fields.title, {Title}, true},
        {&fields.artist, {Artist}, true},
        {&fields.album, {Album}, true},
        {&fields.year, {Date, Year}, false},
        {&fields.comment, {Comment, Description}, true},
        {&fields.genre, {Genre}, true},
        {&fields.track, {Track}, false},
        {&fields.disc, {Disc}, false},
        {&fields.albumArtist, {AlbumArtist, AlbumArtist2}, true},
    };
    for (const Field& field : wanted) {
        for (std::size_t t = 0; t < count && field.text->empty(); ++t) {
            for (const Key key : field.keys) {
                const std::vector<std::string>& values = tags[t][key];
                if (values.empty()) continue;
                std::string text = values.front();
                for (std::size_t v = 1; field.joined && v < values.size(); ++v) text += ", " + values[v];
                *field.text = trimEnd(std::move(text));
                if (!field.text->empty()) break;
            }
        }
    }
}

// A TagLib file that is only where an ID3v2 tag is read from. An MP3 whose tag starts the file
// needs none of the searches an MPEG file makes (for an ID3v2 tag further on, an APE tag, an
// ID3v1 tag our own reader reads anyway), which cost as much as reading the tag itself.
class TagOnlyFile : public TagLib::File {
public:
    explicit TagOnlyFile(TagLib::IOStream* stream) : TagLib::File(stream) {}
    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }
};

bool hasExtensionMp3(const std::string& path) {
    if (path.size() < 4 || path[path.size() - 4] != '.') return false;
    std::string extension = path.substr(path.size() - 3);
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return extension == "mp3";
}

// The values of the ID3v2 tag that starts the stream, read by TagLib.
KeyValues id3v2ValuesOf(TagLib::IOStream& stream) {
    TagOnlyFile file(&stream);
    const TagLib::ID3v2::Tag tag(&file, 0);
    return id3v2Values(tag);
}

std::optional<TagFields> bestTagsOf(ReadOnlyStream& stream, const std::string& path) {
    if (stream.tooLong()) return std::nullopt;

    TagFields fields;
    bool found = false;
    if (hasExtensionMp3(path) && stream.startsWithId3v2() && !stream.hasApeTag()) {
        KeyValues values;
        std::string spill;
        if (!tags::readId3v2Text(stream.id3v2Tag(spill), values)) {
            std::string().swap(spill);  // TagLib reads the tag again: never hold it twice
            values = id3v2ValuesOf(stream);
        }
        fillFields(&values, 1, fields);
    } else {
        const TagLib::FileRef ref(&stream, false);
        if (!ref.isNull()) {
            const std::vector<KeyValues> tags = ownTags(*ref.file());
            fillFields(tags.data(), tags.size(), fields);
        }
    }
    for (const std::string* text : {&fields.title, &fields.artist, &fields.album, &fields.year, &fields.comment,
                                    &fields.genre, &fields.track, &fields.disc, &fields.albumArtist}) {
        found = found || !text->empty();
    }

    // An ID3v1 tag fills what the file's own tags leave empty.
    if (const std::string_view tag = stream.id3v1Tag(); !tag.empty()) {
        int genre = 0;
        TagFields v1 = parseId3v1(tag.data(), &genre);
        v1.genre = tags::tagLibGenreName(static_cast<unsigned>(genre));
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
    if (!found) return std::nullopt;
    return fields;
}

}  // namespace

std::optional<TagFields> readBestTags(const std::string& path) {
    installHandlers();
    try {
        ReadOnlyStream stream(path);
        return bestTagsOf(stream, path);
    } catch (const platform::FileError&) {
        return std::nullopt;  // a missing or locked file is the same as no tag
    }
}

namespace tags {

KeyValues id3v2ValuesWithTagLib(std::string_view tag) {
    installHandlers();
    TagLib::ByteVector bytes(tag.data(), static_cast<unsigned int>(tag.size()));
    TagLib::ByteVectorStream stream(bytes);
    return id3v2ValuesOf(stream);
}

}  // namespace tags

}  // namespace core
