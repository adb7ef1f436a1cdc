#include "core/rules/regex_replace.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "core/rules/text_rules.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace core {
namespace {

// UTF mode with Unicode properties, so "\w" and caseless matching know "é"; names that are not
// UTF-8 (Linux allows any bytes) are still searched, their stray bytes matching nothing. "\C"
// could split a character, which no filter ever does.
constexpr std::uint32_t kCompileOptions = PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF | PCRE2_NEVER_BACKSLASH_C;
// The nesting a match may reach; JIT code ignores it and is held by its stack instead.
constexpr std::uint32_t kRegexDepthLimit = 10000;

std::string pcre2Message(int code) {
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0) return "error " + std::to_string(code);
    return reinterpret_cast<const char*>(buffer);
}

// The 1-based position of the character at byte `offset`, as a user counts along the field.
std::size_t characterPosition(const std::string& text, std::size_t offset) {
    std::size_t position = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++position;
    }
    return position;
}

// A piece of the replacement: a literal text, or the text of a group.
struct Piece {
    std::string text;
    int group = -1;
};

struct CodeFree {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataFree {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

struct Compiled {
    std::string pattern, replacement;
    bool matchCase = false;
    std::unique_ptr<pcre2_code, CodeFree> code;
    std::unique_ptr<pcre2_match_data, MatchDataFree> matchData;
    std::vector<Piece> pieces;
    RegexProblem problem;
};

RegexProblem replacementProblem(const std::string& replacement, std::size_t offset, const std::string& what) {
    return RegexProblem{"The replacement is not valid at character " +
                            std::to_string(characterPosition(replacement, offset)) + ": " + what + ".",
                        1};
}

// Splits the replacement into pieces, each group checked against the pattern's.
RegexProblem parseReplacement(Compiled& out) {
    const std::string& r = out.replacement;
    std::uint32_t groups = 0;
    pcre2_pattern_info(out.code.get(), PCRE2_INFO_CAPTURECOUNT, &groups);
    const auto digit = [&](std::size_t i) { return i < r.size() && r[i] >= '0' && r[i] <= '9'; };
    std::string literal;
    for (std::size_t i = 0; i < r.size(); ++i) {
        if (r[i] != '$') {
            literal += r[i];
            continue;
        }
        const std::size_t at = i;
        int group = -1;
        if (i + 1 < r.size() && r[i + 1] == '$') {
            literal += '$';
            ++i;
            continue;
        }
        if (digit(i + 1)) {
            group = r[i + 1] - '0';
            i += 1;
            if (digit(i + 1)) group = group * 10 + (r[++i] - '0');
        } else if (i + 1 < r.size() && r[i + 1] == '{') {
            const std::size_t close = r.find('}', i + 2);
            if (close == std::string::npos) return replacementProblem(r, at, "\"${\" has no closing \"}\"");
            const std::string name = r.substr(i + 2, close - i - 2);
            bool number = !name.empty() && name.size() <= 2;
            for (char c : name) number = number && c >= '0' && c <= '9';
            if (number) {
                group = std::stoi(name);
            } else {
                group = pcre2_substring_number_from_name(out.code.get(), reinterpret_cast<PCRE2_SPTR>(name.c_str()));
                if (group < 0) return replacementProblem(r, at, "the pattern has no group named \"" + name + "\"");
            }
            i = close;
        } else {
            return replacementProblem(r, at,
                                      "\"$\" must be followed by a group number (0 to 99), \"{name}\" or another "
                                      "\"$\" (\"$$\" stands for \"$\")");
        }
        if (static_cast<std::uint32_t>(group) > groups) {
            return replacementProblem(
                r, at,
                "the pattern has no group " + std::to_string(group) + " (it has " + std::to_string(groups) + ")");
        }
        if (!literal.empty()) out.pieces.push_back(Piece{std::move(literal), -1});
        literal.clear();
        out.pieces.push_back(Piece{std::string(), group});
    }
    if (!literal.empty()) out.pieces.push_back(Piece{std::move(literal), -1});
    return RegexProblem{};
}

Compiled compile(const std::string& pattern, const std::string& replacement, bool matchCase) {
    Compiled out;
    out.pattern = pattern;
    out.replacement = replacement;
    out.matchCase = matchCase;
    int error = 0;
    PCRE2_SIZE offset = 0;
    out.code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                 kCompileOptions | (matchCase ? 0 : PCRE2_CASELESS), &error, &offset, nullptr));
    if (!out.code) {
        out.problem =
            RegexProblem{"The regular expression is not valid at character " +
                             std::to_string(characterPosition(pattern, offset)) + ": " + pcre2Message(error) + ".",
                         0};
        return out;
    }
    out.problem = parseReplacement(out);
    if (!out.problem.message.empty()) return out;
    // Much faster where the platform has it; without it the interpreter gives the same matches.
    pcre2_jit_compile(out.code.get(), PCRE2_JIT_COMPLETE);
    out.matchData.reset(pcre2_match_data_create_from_pattern(out.code.get(), nullptr));
    if (!out.matchData) throw std::bad_alloc();
    return out;
}

// The limits every match runs under, with a JIT stack large enough for any honest pattern.
struct MatchContext {
    pcre2_match_context* context = pcre2_match_context_create(nullptr);
    pcre2_jit_stack* stack = pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr);

    MatchContext() {
        if (!context) throw std::bad_alloc();
        pcre2_set_depth_limit(context, kRegexDepthLimit);
        if (stack) pcre2_jit_stack_assign(context, nullptr, stack);
    }
    ~MatchContext() {
        pcre2_jit_stack_free(stack);
        pcre2_match_context_free(context);
    }
    MatchContext(const MatchContext&) = delete;
    MatchContext& operator=(const MatchContext&) = delete;
};

// The compiled forms of the last few rules, kept for the next file (a run asks for the same
// pattern a hundred thousand times), and the limits. Each thread keeps its own, match data
// included, behind a plain pointer: under MinGW, a thread's own objects with destructors were
// found destroyed at its end from memory no longer theirs (a run's thread crashed there now and
// then), so a thread that ends gives them back itself (releaseRegexCache).
}  // namespace

struct RegexCache {
    std::vector<std::unique_ptr<Compiled>> known;
    MatchContext limits;
};

namespace {

// The cache in use on this thread: a job's, borrowed (jobCache), or else one of the thread's own.
thread_local RegexCache* threadCache = nullptr;
thread_local RegexCache* jobCache = nullptr;

RegexCache& regexCache() {
    if (jobCache) return *jobCache;
    if (!threadCache) threadCache = new RegexCache;
    return *threadCache;
}

const Compiled& compiledCached(const std::string& pattern, const std::string& replacement, bool matchCase) {
    std::vector<std::unique_ptr<Compiled>>& known = regexCache().known;
    for (const auto& entry : known) {
        if (entry->pattern == pattern && entry->replacement == replacement && entry->matchCase == matchCase) {
            return *entry;
        }
    }
    if (known.size() >= 16) known.clear();  // patterns from many rule lists: start again
    known.push_back(std::make_unique<Compiled>(compile(pattern, replacement, matchCase)));
    return *known.back();
}

// The limit a match call first runs under. PCRE2 does not tell how many steps a match took, only
// whether it stayed within its limit; so a call runs under a small limit, doubled for as long as
// the call runs into it, and every run is charged to the name in full. What is charged is never
// less than the work done, and never more than four times what the call needed (plus this first
// limit), so a name's calls together never work past its budget, and one honest call has a
// quarter of the budget at the least. Charging the same whether the JIT or the interpreter runs
// keeps a name's fate the same in a preview and in the run that follows.
constexpr std::uint32_t kFirstCallLimit = 256;

// One match call within what is left of the name's budget, which it lowers.
int boundedMatch(const pcre2_code* code, const std::string& text, std::size_t start, std::uint32_t options,
                 pcre2_match_data* data, pcre2_match_context* context, std::uint32_t& budget) {
    const auto subject = reinterpret_cast<PCRE2_SPTR>(text.data());
    if (budget == 0) return PCRE2_ERROR_MATCHLIMIT;  // a limit of 0 would mean none to the JIT
    std::uint32_t limit = std::min(kFirstCallLimit, budget);
    for (;;) {
        pcre2_set_match_limit(context, limit);
        const int rc = pcre2_match(code, subject, text.size(), start, options, data, context);
        budget -= limit;
        if (rc != PCRE2_ERROR_MATCHLIMIT || budget == 0) return rc;
        limit = std::min(limit * 2, budget);
    }
}

std::size_t nextCharacter(const std::string& text, std::size_t at) {
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
    return at;
}

}  // namespace

void releaseRegexCache() noexcept {
    delete threadCache;
    threadCache = nullptr;
}

RegexCache* newRegexCache() {
    return new RegexCache;
}
void deleteRegexCache(RegexCache* cache) noexcept {
    delete cache;
}
RegexCache* useRegexCache(RegexCache* cache) noexcept {
    return std::exchange(jobCache, cache);
}

RegexProblem checkRegexReplace(const std::string& pattern, const std::string& replacement, bool matchCase) {
    return compile(pattern, replacement, matchCase).problem;
}

void regexReplace(std::string& text, const std::string& pattern, const std::string& replacement, bool matchCase) {
    const Compiled& compiled = compiledCached(pattern, replacement, matchCase);
    if (!compiled.code || !compiled.matchData) throw RegexFailure(compiled.problem.message);
    const MatchContext& limits = regexCache().limits;
    pcre2_match_data* data = compiled.matchData.get();
    std::string out;
    std::size_t start = 0, copied = 0;
    std::uint32_t options = 0;
    std::uint32_t budget = kRegexNameBudget;
    while (start <= text.size()) {
        const int rc = boundedMatch(compiled.code.get(), text, start, options, data, limits.context, budget);
        if (rc == PCRE2_ERROR_NOMATCH) {
            if (options == 0) break;
            // No longer match where an empty one was: step over one character and search on.
            options = 0;
            start = nextCharacter(text, start);
            continue;
        }
        if (rc < 0) {
            const bool limit = rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT ||
                               rc == PCRE2_ERROR_HEAPLIMIT || rc == PCRE2_ERROR_JIT_STACKLIMIT;
            throw RegexFailure(
                limit ? "The regular expression \"" + pattern + "\" gave up on this name: its matches need more than " +
                            std::to_string(kRegexNameBudget) + " steps together (" + pcre2Message(rc) + ")."
                      : "The regular expression \"" + pattern + "\" failed on this name: " + pcre2Message(rc) + ".");
        }
        const PCRE2_SIZE* span = pcre2_get_ovector_pointer(data);
        // "\K" in a lookahead can end a match before its start; there is no text to replace.
        if (span[1] < span[0] || span[0] < copied) {
            throw RegexFailure("The regular expression \"" + pattern + "\" ends a match before its start.");
        }
        out.append(text, copied, span[0] - copied);
        for (const Piece& piece : compiled.pieces) {
            if (piece.group < 0) {
                out += piece.text;
            } else if (piece.group < rc && span[2 * piece.group] != PCRE2_UNSET) {
                out.append(text, span[2 * piece.group], span[2 * piece.group + 1] - span[2 * piece.group]);
            }
        }
        checkNameLength(out);
        copied = span[1];
        start = span[1];
        // After an empty match, the next one must take at least one character from here.
        options = span[0] == span[1] ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
    }
    if (copied == 0 && out.empty()) return;  // no match: the text stays as it is
    out.append(text, copied, std::string::npos);
    text = std::move(out);
}

}  // namespace core
