#include "core/session/album_order.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <numeric>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "core/rules/id3_tag.h"
#include "platform/paths.h"

namespace core {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The key a byte sorts by outside digit runs: separators first, letters folded to lower case.
int byteKey(char c) {
    if (platform::isPathSeparator(c)) return -1;
    const unsigned char u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? u - 'A' + 'a' : u;
}

// The order of the files' folders: each distinct folder (by its shared node) once, ranked.
std::vector<std::uint32_t> albumOrder(const FileList& files) {
    std::unordered_map<const void*, std::uint32_t> folderIndex;
    std::vector<std::string> folders;
    std::vector<std::uint32_t> folderOf(files.size());
    FolderPath path;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto [at, added] =
            folderIndex.emplace(files[i].folderText.node(), static_cast<std::uint32_t>(folders.size()));
        if (added) folders.push_back(path.of(files[i].folderText));
        folderOf[i] = at->second;
    }
    std::vector<std::uint32_t> byPath(folders.size());
    std::iota(byPath.begin(), byPath.end(), 0u);
    std::sort(byPath.begin(), byPath.end(),
              [&](std::uint32_t a, std::uint32_t b) { return naturalCompare(folders[a], folders[b]) < 0; });
    // Two nodes of one path (a folder found again by another pattern) rank as one folder.
    std::vector<std::uint32_t> rank(folders.size());
    for (std::size_t r = 0; r < byPath.size(); ++r) {
        rank[byPath[r]] =
            r > 0 && folders[byPath[r]] == folders[byPath[r - 1]] ? rank[byPath[r - 1]] : static_cast<std::uint32_t>(r);
    }
    std::vector<std::uint32_t> order(files.size());
    std::iota(order.begin(), order.end(), 0u);
    // Each name's length is found once, not at each of the sort's comparisons.
    std::vector<std::string_view> names;
    names.reserve(files.size());
    for (const FileEntry& file : files) names.push_back(file.name.view());
    const auto before = [&](std::uint32_t a, std::uint32_t b) {
        const std::uint32_t ra = rank[folderOf[a]], rb = rank[folderOf[b]];
        if (ra != rb) return ra < rb;
        return naturalCompare(names[a], names[b]) < 0;
    };
    // A folder often comes listed in this order already (Wine sorts every folder it lists), and a
    // merge sort would still make all its comparisons: one look at each neighbour tells.
    if (!std::is_sorted(order.begin(), order.end(), before)) std::stable_sort(order.begin(), order.end(), before);
    return order;
}

}  // namespace

int naturalCompare(std::string_view a, std::string_view b) {
    // Names sorted side by side mostly share a long beginning ("Artist_00012_-_Track_0"), whose
    // bytes compare alike: the walk starts where the two first differ, or at the start of the run
    // of digits that reaches there, since a run counts whole.
    std::size_t same = 0;
    const std::size_t shorter = std::min(a.size(), b.size());
    while (same < shorter && a[same] == b[same]) ++same;
    while (same > 0 && isDigit(a[same - 1])) --same;
    std::size_t i = same, j = same;
    int leadingZeros = 0;  // of the first digit runs equal in value but not in zeros
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t zi = i, zj = j;
            while (zi < a.size() && a[zi] == '0') ++zi;
            while (zj < b.size() && b[zj] == '0') ++zj;
            std::size_t ei = zi, ej = zj;
            while (ei < a.size() && isDigit(a[ei])) ++ei;
            while (ej < b.size() && isDigit(b[ej])) ++ej;
            // More significant digits, a larger number; as many, the digits decide.
            if (ei - zi != ej - zj) return ei - zi < ej - zj ? -1 : 1;
            if (const int digits = a.substr(zi, ei - zi).compare(b.substr(zj, ej - zj)); digits != 0) return digits;
            if (leadingZeros == 0 && zi - i != zj - j) leadingZeros = zi - i < zj - j ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        const int ka = byteKey(a[i]), kb = byteKey(b[j]);
        if (ka != kb) return ka < kb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
    if (leadingZeros != 0) return leadingZeros;
    return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
}

namespace {

// Puts the entries where `order` says, in place: each cycle of the permutation is followed once,
// so nothing is copied and no second list is made. `also` moves along (the attributes of
// left-out files), when given.
void permute(FileList& files, std::vector<std::uint32_t> order, std::vector<std::uint32_t>* also) {
    for (std::size_t start = 0; start < order.size(); ++start) {
        if (order[start] == start) continue;
        std::size_t at = start;
        FileEntry held = std::move(files[start]);
        const std::uint32_t heldAlso = also ? (*also)[start] : 0;
        while (order[at] != start) {
            const std::size_t from = order[at];
            files[at] = std::move(files[from]);
            if (also) (*also)[at] = (*also)[from];
            order[at] = static_cast<std::uint32_t>(at);
            at = from;
        }
        files[at] = std::move(held);
        if (also) (*also)[at] = heldAlso;
        order[at] = static_cast<std::uint32_t>(at);
    }
}

}  // namespace

namespace {

// Each name again in a block of its own, made in the list's new order: every later pass over
// the list (naming, planning) reads its names from memory in order, not from all over the heap.
void renewNames(FileList& files) {
    for (FileEntry& file : files) file.name = FileName(file.name.view());
}

}  // namespace

namespace {

// Within each folder's stretch of a list in name order: by disc and track, untracked files last,
// ties keeping their name order.
std::vector<std::uint32_t> tagOrder(const FileList& files) {
    std::vector<AlbumPlace> places(files.size());
    FolderPath folder;
    std::string path;
    for (std::size_t i = 0; i < files.size(); ++i) {
        path.assign(folder.of(files[i].folderText)).append(files[i].name.view());
        if (const std::optional<TagFields> tags = readBestTags(path)) places[i] = albumPlace(*tags);
    }
    std::vector<std::uint32_t> order(files.size());
    std::iota(order.begin(), order.end(), 0u);
    const auto key = [&](std::uint32_t i) {
        const AlbumPlace& p = places[i];
        return std::make_tuple(p.track == 0, p.track == 0 ? 0u : (p.disc ? p.disc : 1u), p.track);
    };
    for (std::size_t start = 0; start < files.size();) {
        std::size_t end = start + 1;
        while (end < files.size() && files[end].folderText.sameText(files[start].folderText)) ++end;
        std::stable_sort(order.begin() + static_cast<std::ptrdiff_t>(start),
                         order.begin() + static_cast<std::ptrdiff_t>(end),
                         [&](std::uint32_t a, std::uint32_t b) { return key(a) < key(b); });
        start = end;
    }
    return order;
}

}  // namespace

void sortInAlbumOrder(FileList& files, AlbumOrder order) {
    if (files.size() < 2) return;
    // Nothing moves when the list is in order already (Wine lists a folder by name): the names
    // then stay where they are too.
    bool moved = false;
    std::vector<std::uint32_t> byName = albumOrder(files);
    if (!std::is_sorted(byName.begin(), byName.end())) {
        permute(files, std::move(byName), nullptr);
        moved = true;
    }
    if (order == AlbumOrder::Tags) {
        std::vector<std::uint32_t> byTags = tagOrder(files);
        if (!std::is_sorted(byTags.begin(), byTags.end())) {
            permute(files, std::move(byTags), nullptr);
            moved = true;
        }
    }
    if (moved) renewNames(files);
}

AlbumPlace albumPlace(const TagFields& fields) {
    return AlbumPlace{numberOf(fields.disc), totalOf(fields.disc), numberOf(fields.track)};
}

std::string AlbumFacts::albumKey(const TagFields* fields, std::string_view folder) {
    // A zero byte parts the texts, and no tag text or path holds one once read.
    if (!fields || fields->album.empty()) return std::string(1, '\0').append(folder);
    const std::string& artist = fields->albumArtist.empty() ? fields->artist : fields->albumArtist;
    return artist + '\0' + fields->album;
}

void AlbumFacts::add(const std::string& album, const AlbumPlace& place) {
    const auto [at, added] = albumIndex_.emplace(album, static_cast<std::uint32_t>(albums_.size()));
    if (added) albums_.emplace_back();
    Album& entry = albums_[at->second];
    const std::uint32_t disc = place.disc ? place.disc : 1;
    if (std::find(entry.discNumbers.begin(), entry.discNumbers.end(), disc) == entry.discNumbers.end()) {
        entry.discNumbers.push_back(disc);
    }
    entry.discs = std::max({entry.discs, place.discs, static_cast<std::uint32_t>(entry.discNumbers.size())});
    files_.push_back(File{at->second, place.disc, place.track});
}

AlbumFacts AlbumFacts::read(const FileList& files) {
    AlbumFacts facts;
    facts.files_.reserve(files.size());
    FolderPath folder;
    std::string path;
    for (const FileEntry& file : files) {
        const std::string& text = folder.of(file.folderText);
        path.assign(text).append(file.name.view());
        const std::optional<TagFields> tags = readBestTags(path);
        facts.add(albumKey(tags ? &*tags : nullptr, text), tags ? albumPlace(*tags) : AlbumPlace{});
    }
    return facts;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> AlbumFacts::sameDiscAndTrack() const {
    // By album, disc and track: the first file met with them.
    std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, std::uint32_t> first;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> same;
    std::vector<bool> told(files_.size(), false);
    for (std::uint32_t i = 0; i < files_.size(); ++i) {
        if (files_[i].track == 0) continue;
        const auto [at, added] = first.emplace(std::make_tuple(files_[i].album, disc(i), files_[i].track), i);
        if (added) continue;
        const std::uint32_t other = at->second;
        if (!told[other]) {
            same.emplace_back(other, i);
            told[other] = true;
        }
        same.emplace_back(i, other);
        told[i] = true;
    }
    std::sort(same.begin(), same.end());
    return same;
}

void sortInAlbumOrder(LeftOutFiles& files) {
    if (files.files.size() < 2) return;
    files.attributes.resize(files.files.size());
    std::vector<std::uint32_t> order = albumOrder(files.files);
    if (std::is_sorted(order.begin(), order.end())) return;
    permute(files.files, std::move(order), &files.attributes);
}

}  // namespace core
