#include "core/base/html_text.h"

#include <cstdint>
#include <vector>

#include "platform/utf8.h"

namespace core {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The entity at `at` (just after its "&"), decoded into `out`; returns how many characters it
// took, or 0 when it is no entity known, and then the "&" stays as it is.
std::size_t decodeEntity(std::string_view html, std::size_t at, std::string& out) {
    const std::size_t end = html.find(';', at);
    if (end == std::string_view::npos || end - at > 10) return 0;
    const std::string_view name = html.substr(at, end - at);
    if (!name.empty() && name[0] == '#') {
        const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        std::uint32_t code = 0;
        const std::size_t first = hex ? 2 : 1;
        if (name.size() <= first) return 0;
        for (std::size_t i = first; i < name.size(); ++i) {
            const char c = lower(name[i]);
            const int digit = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (digit < 0) return 0;
            code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
            if (code > 0x10FFFF) code = 0x110000;  // out of range whatever follows
        }
        platform::utf8::append(out, code == 0 ? platform::utf8::kReplacement : code);
        return name.size() + 1;
    }
    static const struct {
        std::string_view name, text;
    } known[] = {{"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", "\xC2\xA0"}};
    for (const auto& entity : known) {
        if (name == entity.name) {
            out += entity.text;
            return name.size() + 1;
        }
    }
    return 0;
}

class Writer {
public:
    // Text as it comes: runs of white space become one space, and none starts a line.
    void text(std::string_view piece, bool preformatted) {
        for (char c : piece) {
            if (preformatted) {
                if (c == '\r') continue;
                if (c == '\n') {
                    newLine();
                    continue;
                }
                putPending();
                out_ += c;
                continue;
            }
            if (isSpace(c)) {
                space_ = !lineEmpty();
                continue;
            }
            putPending();
            if (space_) out_ += ' ';
            space_ = false;
            out_ += c;
        }
    }
    // The text that follows starts a line of its own.
    void newLine() {
        space_ = false;
        if (!lineEmpty()) out_ += '\n';
    }
    // A blank line before what follows (at most one).
    void newBlock() {
        newLine();
        blank_ = !out_.empty();
    }
    // Put before the next text of this line (a list item's mark).
    void prefix(std::string mark) {
        newLine();
        mark_ = std::move(mark);
    }
    std::string finish() {
        newLine();
        return std::move(out_);
    }

private:
    bool lineEmpty() const { return out_.empty() || out_.back() == '\n'; }
    void putPending() {
        if (blank_) out_ += '\n';
        blank_ = false;
        if (!mark_.empty()) out_ += mark_;
        mark_.clear();
    }
    std::string out_, mark_;
    bool space_ = false, blank_ = false;
};

}  // namespace

std::string htmlText(std::string_view html) {
    Writer writer;
    std::vector<int> lists;  // for each open list: 0 for bullets, else the next item's number
    int hidden = 0;          // inside elements whose text is not shown
    int preformatted = 0;
    std::string pending;
    const auto flush = [&] {
        if (!pending.empty() && hidden == 0) writer.text(pending, preformatted > 0);
        pending.clear();
    };
    for (std::size_t at = 0; at < html.size();) {
        const char c = html[at];
        if (c == '&') {
            const std::size_t taken = decodeEntity(html, at + 1, pending);
            if (taken > 0) {
                at += taken + 1;
                continue;
            }
            pending += c;
            ++at;
            continue;
        }
        if (c != '<') {
            pending += c;
            ++at;
            continue;
        }
        if (html.compare(at, 4, "<!--") == 0) {
            const std::size_t end = html.find("-->", at + 4);
            at = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        const std::size_t end = html.find('>', at);
        if (end == std::string_view::npos) {  // a "<" that opens no tag is text
            pending += html.substr(at);
            break;
        }
        std::string_view tag = html.substr(at + 1, end - at - 1);
        at = end + 1;
        const bool closing = !tag.empty() && tag[0] == '/';
        if (closing) tag.remove_prefix(1);
        std::string name;
        for (char t : tag) {
            if (isSpace(t) || t == '/') break;
            name += lower(t);
        }
        flush();
        if (name == "head" || name == "nav" || name == "script" || name == "style" || name == "title") {
            hidden += closing ? (hidden > 0 ? -1 : 0) : 1;
        } else if (hidden > 0) {
            continue;
        } else if (name == "pre") {
            preformatted += closing ? (preformatted > 0 ? -1 : 0) : 1;
            writer.newBlock();
        } else if (name == "ul" || name == "ol") {
            if (closing) {
                if (!lists.empty()) lists.pop_back();
            } else {
                lists.push_back(name == "ol" ? 1 : 0);
            }
            writer.newBlock();
        } else if (name == "li") {
            if (closing) continue;
            std::string mark(lists.empty() ? 0 : 2 * (lists.size() - 1), ' ');
            if (!lists.empty() && lists.back() > 0) {
                mark += std::to_string(lists.back()++) + ". ";
            } else {
                mark += "- ";
            }
            writer.prefix(std::move(mark));
        } else if (name == "br") {
            writer.newLine();
        } else if (name == "p" || name == "div" || name == "table" || name == "blockquote" ||
                   (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6')) {
            writer.newBlock();
        } else if (name == "tr" || name == "dt" || name == "dd") {
            writer.newLine();
        }
    }
    flush();
    return writer.finish();
}

}  // namespace core
