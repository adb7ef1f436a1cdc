#include <string_view>

#include "core/undo/journal_format.h"
#include "fuzz/fuzz_targets.h"

using fuzzing::check;

int fuzzJournal(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto content = core::parseJournal(bytes);
    if (!content) return 0;
    // What was read is what the bytes hold: written again, it reads back the same, and the
    // records read are never more than the bytes could carry.
    check(content->moves.size() <= size / 9);
    std::string again = core::formatJournalHeader(content->started) + content->ruleSection;
    std::string folder;
    for (std::size_t i = 0; i < content->moves.size(); ++i) {
        core::appendJournalEntry(again, folder, content->moves[i], i);
    }
    const auto reread = core::parseJournal(again);
    check(reread && reread->started == content->started && reread->ruleSection == content->ruleSection &&
          reread->moves == content->moves);
    // A folder made keeps its identity, or its lack of one, which decides whether undo removes it.
    for (std::size_t i = 0; reread && i < content->moves.size(); ++i) {
        check(reread->moves[i].id.has_value() == content->moves[i].id.has_value());
    }
    return 0;
}
