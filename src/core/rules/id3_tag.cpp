#include "core/rules/id3_tag.h"

#include <algorithm>

#include "core/rules/clean_up.h"
#include "core/rules/rule.h"
#include "core/rules/text_rules.h"
#include "platform/files.h"
#include "platform/text.h"

namespace core {
namespace {

constexpr std::size_t kTagSize = 128;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The part before a "/", trimmed; empty when it is only zeros, which every format uses for none.
std::string numberPart(const std::string& text) {
    std::string number = trimWhiteSpace(text.substr(0, text.find('/')));
    if (number.find_first_not_of('0') == std::string::npos) return std::string();
    return number;
}

// "2001-05-03" (an ID3v2.4 or Vorbis date) names the year 2001.
std::string yearOf(const std::string& date) {
    if (date.size() > 4 && isDigit(date[0]) && isDigit(date[1]) && isDigit(date[2]) && isDigit(date[3]) &&
        !isDigit(date[4])) {
        return date.substr(0, 4);
    }
    return date;
}

}  // namespace

std::string safeTagText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    bool inControls = false;
    for (char c : text) {
        // A line break or tab parts words: a run of control characters becomes one space, so
        // the words either side stay apart.
        const bool control = static_cast<unsigned char>(c) < 0x20;
        if (control && !inControls) out += ' ';
        inControls = control;
        if (control) continue;
        switch (c) {
            case '/':
            case '\\':
            case '|':
                out += '-';
                break;
            case ':':
                out += " -";
                break;
            case '?':
            case '*':
            case '"':
            case '<':
            case '>':
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

std::string trackNumber(const std::string& text) {
    std::string number = numberPart(text);
    if (number.size() == 1 && isDigit(number[0])) number.insert(0, 1, '0');
    return number;
}

std::string discNumber(const std::string& text) {
    return numberPart(text);
}

namespace {

// The value of a text of digits alone, 0 for any other; capped well within 32 bits.
std::uint32_t valueOf(const std::string& digits) {
    if (digits.empty()) return 0;
    std::uint32_t value = 0;
    for (char c : digits) {
        if (!isDigit(c)) return 0;
        if (value < 100000000) value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

bool isFolderSeparator(char c) {
    return c == '\\' || c == '/';
}

// Whether the format's "%" at `at` starts a field this reader fills.
bool isField(const std::string& format, std::size_t at, char last, bool discField) {
    if (format[at] != '%' || at + 1 >= format.size()) return false;
    const char digit = format[at + 1];
    return (digit >= '1' && digit <= last) || (discField && digit == '0');
}

}  // namespace

std::uint32_t totalOf(const std::string& text) {
    const std::size_t slash = text.find('/');
    return slash == std::string::npos ? 0 : valueOf(trimWhiteSpace(text.substr(slash + 1)));
}

std::uint32_t numberOf(const std::string& text) {
    return valueOf(numberPart(text));
}

TagReader::TagReader(std::string path, bool bestTag) : path_(std::move(path)), bestTag_(bestTag) {}

bool TagReader::read(std::int32_t mask) {
    if (bestTag_) {
        std::optional<TagFields> fields = readBestTags(path_);
        if (!fields) return false;
        fields_ = std::move(*fields);
        const std::string albumArtist = fields_.albumArtist.empty() ? fields_.artist : fields_.albumArtist;
        const std::pair<std::int32_t, std::string> required[] = {
            {Id3Title, fields_.title},
            {Id3Artist, fields_.artist},
            {Id3Album, fields_.album},
            {Id3Year, fields_.year},
            {Id3Comment, fields_.comment},
            {Id3Genre, fields_.genre},
            {Id3Track, trackNumber(fields_.track)},
            {Id3Disc, discNumber(fields_.disc)},
            {Id3AlbumArtist, albumArtist},
        };
        for (const auto& [bit, text] : required) {
            if ((mask & bit) && text.empty()) return false;
        }
        return true;
    }

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
    fields_ = parseId3v1(tag, &genre_);

    const std::pair<std::int32_t, const std::string*> required[] = {
        {Id3Title, &fields_.title}, {Id3Artist, &fields_.artist},   {Id3Album, &fields_.album},
        {Id3Year, &fields_.year},   {Id3Comment, &fields_.comment},
    };
    for (const auto& [bit, text] : required) {
        if ((mask & bit) && text->empty()) return false;
    }
    // A tag without a known genre is never used, whatever the format asks for.
    return genreName(genre_) != nullptr;
}

std::string TagReader::format(const std::string& format, bool safeNames, std::int32_t clean,
                              std::optional<bool> multiDisc) const {
    // Runs of "%" become one "%" first, so "%%1" is the artist, as the field mask counts it.
    std::string collapsed;
    collapsed.reserve(format.size());
    for (char c : format) {
        if (c == '%' && !collapsed.empty() && collapsed.back() == '%') continue;
        collapsed += c;
    }
    const TagFields& f = fields_;
    const auto orDefault = [](const std::string& text, const char* fallback) {
        return text.empty() ? std::string(fallback) : text;
    };
    const std::string values[9] = {
        orDefault(f.artist, "Unknown Artist"),
        orDefault(f.title, "Untitled"),
        orDefault(f.album, "Unknown Album"),
        orDefault(bestTag_ ? yearOf(f.year) : f.year, "Unknown Year"),
        orDefault(f.comment, "No Comment"),
        // Only the best tag may lack a genre; an ID3v1 rule never reaches here without one.
        orDefault(f.genre, "Unknown Genre"),
        trackNumber(f.track),
        discNumber(f.disc),
        orDefault(f.albumArtist.empty() ? f.artist : f.albumArtist, "Unknown Artist"),
    };
    const char last = bestTag_ ? '9' : '6';
    const bool discField = bestTag_ && multiDisc.has_value();
    const std::string disc = discField && (*multiDisc || totalOf(f.disc) > 1) ? discNumber(f.disc) : std::string();
    // One pass, so a tag text that itself holds "%2" or "%%" is inserted as it is and never
    // expanded again.
    std::string out;
    std::size_t written = 0;  // where the text written since the last field or separator starts
    for (std::size_t i = 0; i < collapsed.size(); ++i) {
        if (!isField(collapsed, i, last, discField)) {
            out += collapsed[i];
            if (isFolderSeparator(collapsed[i])) written = out.size();
            continue;
        }
        const char digit = collapsed[++i];
        if (digit == '0' && disc.empty()) {
            // The field and the words that name it go together: "CD" means nothing without it.
            const std::string before = out.substr(written);
            out.resize(written);
            // The brackets it opened, innermost last: the text after the field closes them.
            std::string closers;
            for (char c : before) {
                if (c == '(' || c == '[' || c == '{') closers += c == '(' ? ')' : c == '[' ? ']' : '}';
                if (!closers.empty() && c == closers.back()) closers.pop_back();
            }
            std::size_t next = i + 1;
            if (!before.empty()) {
                for (auto closer = closers.rbegin(); closer != closers.rend(); ++closer) {
                    if (next < collapsed.size() && collapsed[next] == *closer) ++next;
                }
            } else {
                while (next < collapsed.size() && !isFolderSeparator(collapsed[next]) &&
                       !isField(collapsed, next, last, discField)) {
                    ++next;
                }
            }
            i = next - 1;
            continue;
        }
        std::string value = digit == '0' ? disc : values[digit - '1'];
        if (clean) cleanUp(value, clean, "");
        out += safeNames ? safeTagText(value) : value;
        written = out.size();
    }
    if (safeNames) {
        // Windows drops trailing spaces and periods from a name; drop them here, so the name the
        // preview shows is the name the file gets.
        while (!out.empty() && (out.back() == ' ' || out.back() == '.')) out.pop_back();
    }
    return out;
}

namespace {

// The format of a rule that moves files into folders, read part by part: each "\" or "/" of the
// format ends a folder, while those of the tag texts become "-", so that a tag ("AC/DC") never
// makes a folder. A part that comes out empty is no folder; an empty last part keeps the file's
// own name ("%9\%3\" only moves it). The parts are joined with "/", which the run takes apart
// again into folders.
std::string formatFolders(const TagReader& reader, const std::string& format, const std::string& base, bool safeNames,
                          std::int32_t clean, std::optional<bool> severalDiscs) {
    std::string out, piece;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = format.find_first_of("\\/", start);
        const bool last = end == std::string::npos;
        piece =
            reader.format(format.substr(start, last ? std::string::npos : end - start), safeNames, clean, severalDiscs);
        std::replace(piece.begin(), piece.end(), '\\', '-');
        std::replace(piece.begin(), piece.end(), '/', '-');
        if (last) {
            out += piece.empty() ? base : piece;
            return out;
        }
        // Windows drops a folder's trailing spaces and periods too.
        while (!piece.empty() && (piece.back() == ' ' || piece.back() == '.')) piece.pop_back();
        if (!piece.empty()) out.append(piece).push_back('/');
        start = end + 1;
    }
}

}  // namespace

void applyId3(const std::string& path, std::string& base, const std::string& format, std::int32_t option,
              std::int32_t clean, std::uint32_t albumDiscs) {
    const bool safeNames = option & Id3SafeNames;
    const bool discField = option & Id3DiscField;
    TagReader reader(path, option & Id3BestTag);
    if (!reader.read(option & Id3RequiredFields)) return;
    const std::optional<bool> severalDiscs = discField ? std::optional<bool>(albumDiscs > 1) : std::nullopt;
    if (option & Id3Folders) {
        base = formatFolders(reader, format, base, safeNames, clean, severalDiscs);
        return;
    }
    std::string name = reader.format(format, safeNames, clean, severalDiscs);
    // A name of nothing but forbidden characters would leave only the extension, and so would a
    // format of nothing but an empty "%0".
    if ((safeNames || discField) && name.empty()) return;
    base = std::move(name);
}

}  // namespace core
