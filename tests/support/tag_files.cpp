#include "support/tag_files.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/utf8.h"
#include "support/binary.h"

namespace testing_support {
namespace {

std::string be32(std::uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
}

std::string be16(std::uint32_t v) {
    return std::string{static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string syncSafe(std::uint32_t v) {
    return std::string{static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
                       static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
}

// The tag fields under the keys of Vorbis comments (the keys TagLib maps the other formats to).
std::vector<std::pair<const char*, std::string>> vorbisFields(const TagTexts& t) {
    std::vector<std::pair<const char*, std::string>> fields = {
        {"TITLE", t.title},       {"ARTIST", t.artist},   {"ALBUM", t.album},
        {"DATE", t.year},         {"COMMENT", t.comment}, {"GENRE", t.genre},
        {"TRACKNUMBER", t.track}, {"DISCNUMBER", t.disc}, {"ALBUMARTIST", t.albumArtist},
    };
    std::vector<std::pair<const char*, std::string>> present;
    for (auto& field : fields) {
        if (!field.second.empty()) present.push_back(std::move(field));
    }
    return present;
}

// The body of a Vorbis comment block: vendor, count, then KEY=value entries, lengths in little
// endian.
std::string vorbisComment(const TagTexts& tags) {
    const std::string vendor = "tests";
    const auto fields = vorbisFields(tags);
    std::string out = le32(static_cast<std::uint32_t>(vendor.size())) + vendor;
    out += le32(static_cast<std::uint32_t>(fields.size()));
    for (const auto& [key, value] : fields) {
        const std::string entry = std::string(key) + "=" + value;
        out += le32(static_cast<std::uint32_t>(entry.size())) + entry;
    }
    return out;
}

std::string encodeText(const std::string& text, TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Latin1: {
            std::string out;
            for (std::size_t pos = 0; pos < text.size();) {
                const char32_t c = platform::utf8::decode(text, pos);
                out += static_cast<char>(c < 0x100 ? c : '?');
            }
            return out;
        }
        case TextEncoding::Utf16: {
            std::string out = "\xFF\xFE";  // little endian, as most taggers write it
            for (char16_t unit : platform::utf8::toUtf16(text)) {
                out += static_cast<char>(unit & 0xFF);
                out += static_cast<char>(unit >> 8);
            }
            return out;
        }
        case TextEncoding::Utf8:
            return text;
    }
    return text;
}

std::string crcPage(std::string page) {
    // The Ogg checksum: CRC-32 with polynomial 0x04C11DB7, not reflected, over the page with a
    // zero checksum field.
    std::uint32_t crc = 0;
    for (unsigned char byte : page) {
        crc ^= static_cast<std::uint32_t>(byte) << 24;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    page.replace(22, 4, le32(crc));
    return page;
}

std::string oggPage(const std::vector<std::string>& packets, int flags, std::uint32_t sequence) {
    std::string lacing, body;
    for (const std::string& packet : packets) {
        std::size_t left = packet.size();
        for (; left >= 255; left -= 255) lacing += '\xFF';
        lacing += static_cast<char>(left);
        body += packet;
    }
    std::string page = "OggS";
    page += '\0';
    page += static_cast<char>(flags);
    page += std::string(8, '\0');  // granule position
    page += le32(0x43574B54) + le32(sequence) + le32(0);
    page += static_cast<char>(lacing.size());
    return crcPage(page + lacing + body);
}

std::string atom(const char* type, const std::string& body) {
    return be32(static_cast<std::uint32_t>(8 + body.size())) + type + body;
}

// An MP4 item: its data atom of type 1 (UTF-8 text) or 0 (binary: track and disc pairs).
std::string mp4Item(const char* name, const std::string& payload, std::uint32_t dataType) {
    return atom(name, atom("data", be32(dataType) + be32(0) + payload));
}

std::string numberPair(const std::string& text, bool track) {
    const std::size_t slash = text.find('/');
    const auto number = static_cast<std::uint32_t>(std::stoul(text.substr(0, slash)));
    const auto total = static_cast<std::uint32_t>(slash == std::string::npos ? 0 : std::stoul(text.substr(slash + 1)));
    return be16(0) + be16(number) + be16(total) + (track ? be16(0) : "");
}

}  // namespace

std::string mpegFrames(int count) {
    // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz: 417 bytes a frame.
    std::string frame = "\xFF\xFB\x90";
    frame += '\0';
    frame.resize(417, '\0');
    std::string out;
    for (int i = 0; i < count; ++i) out += frame;
    return out;
}

std::string id3v1Tag(const std::string& title, const std::string& artist, const std::string& album,
                     const std::string& year, const std::string& comment, int genre) {
    return "TAG" + slot(title, 30) + slot(artist, 30) + slot(album, 30) + slot(year, 4) + slot(comment, 30) +
           static_cast<char>(genre);
}

std::string id3v2Tag(const TagTexts& tags, int version, TextEncoding encoding) {
    const char encodingByte = encoding == TextEncoding::Latin1 ? 0 : encoding == TextEncoding::Utf16 ? 1 : 3;
    const std::string terminator = encoding == TextEncoding::Utf16 ? std::string(2, '\0') : std::string(1, '\0');
    const std::pair<const char*, const std::string*> textFrames[] = {
        {"TIT2", &tags.title}, {"TPE1", &tags.artist},
        {"TALB", &tags.album}, {version == 3 ? "TYER" : "TDRC", &tags.year},
        {"TCON", &tags.genre}, {"TRCK", &tags.track},
        {"TPOS", &tags.disc},  {"TPE2", &tags.albumArtist},
    };
    const auto frame = [&](const char* id, const std::string& body) {
        const auto size = static_cast<std::uint32_t>(body.size());
        return std::string(id) + (version == 3 ? be32(size) : syncSafe(size)) + std::string(2, '\0') + body;
    };
    std::string frames;
    for (const auto& [id, text] : textFrames) {
        if (!text->empty()) frames += frame(id, encodingByte + encodeText(*text, encoding));
    }
    if (!tags.comment.empty()) {
        // Language, an empty short description, then the text.
        frames += frame("COMM", encodingByte + std::string("eng") + encodeText("", encoding) + terminator +
                                    encodeText(tags.comment, encoding));
    }
    frames += std::string(64, '\0');  // padding, as taggers leave room to grow
    std::string header = "ID3";
    header += static_cast<char>(version);
    header += std::string(2, '\0');
    return header + syncSafe(static_cast<std::uint32_t>(frames.size())) + frames;
}

std::string flacFile(const TagTexts& tags) {
    // STREAMINFO: block sizes 4096, frame sizes unknown, 44.1 kHz, 2 channels, 16 bits, no
    // sample count, no MD5.
    std::string info = be16(4096) + be16(4096) + std::string(6, '\0');
    info += std::string{'\x0A', '\xC4', '\x42', '\xF0'} + std::string(4, '\0') + std::string(16, '\0');
    const std::string comment = vorbisComment(tags);
    const auto blockHeader = [](int type, bool last, std::size_t size) {
        return std::string{static_cast<char>(type | (last ? 0x80 : 0))} +
               be32(static_cast<std::uint32_t>(size)).substr(1);
    };
    return "fLaC" + blockHeader(0, false, info.size()) + info + blockHeader(4, true, comment.size()) + comment +
           std::string{'\xFF', '\xF8', '\x69', '\x08'} + std::string(64, '\0');
}

std::string oggVorbisFile(const TagTexts& tags) {
    std::string identification = "\x01vorbis";
    identification += le32(0);  // version
    identification += '\x02';   // channels
    identification += le32(44100) + le32(0) + le32(128000) + le32(0);
    identification += '\xB8';  // block sizes 256 and 2048
    identification += '\x01';  // framing
    const std::string comment = "\x03vorbis" + vorbisComment(tags) + "\x01";
    const std::string setup = "\x05vorbis" + std::string(32, '\0');
    return oggPage({identification}, 0x02, 0) + oggPage({comment, setup}, 0, 1) +
           oggPage({std::string(100, '\0')}, 0x04, 2);
}

std::string mp4File(const TagTexts& t) {
    std::string items;
    // "\251" is the byte 0xA9 ("©") that starts the names of iTunes' own items.
    const std::pair<const char*, const std::string*> texts[] = {
        {"\251nam", &t.title},   {"\251ART", &t.artist}, {"\251alb", &t.album},    {"\251day", &t.year},
        {"\251cmt", &t.comment}, {"\251gen", &t.genre},  {"aART", &t.albumArtist},
    };
    for (const auto& [name, text] : texts) {
        if (!text->empty()) items += mp4Item(name, *text, 1);
    }
    if (!t.track.empty()) items += mp4Item("trkn", numberPair(t.track, true), 0);
    if (!t.disc.empty()) items += mp4Item("disk", numberPair(t.disc, false), 0);
    const std::string handler = atom("hdlr", std::string(8, '\0') + "mdirappl" + std::string(9, '\0'));
    const std::string meta = atom("meta", std::string(4, '\0') + handler + atom("ilst", items));
    const std::string ftyp = atom("ftyp", std::string("M4A ") + be32(0) + "M4A mp42isom");
    return ftyp + atom("moov", atom("udta", meta)) + atom("mdat", std::string(64, '\0'));
}

}  // namespace testing_support
