#include "core/base/strings.h"

#include <algorithm>
#include <iterator>

namespace core {
namespace {

struct Entry {
    int id;
    const char* text;
};

constexpr Entry kStrings[] = {
#define CW_STRING(id, text) {id, text},
#include "core/base/string_table.inc"
#undef CW_STRING
};

}  // namespace

const char* loadString(int id) {
    const auto it =
        std::find_if(std::begin(kStrings), std::end(kStrings), [id](const Entry& entry) { return entry.id == id; });
    return it == std::end(kStrings) ? "" : it->text;
}

std::string formatText(std::string_view format, const std::vector<FormatArgument>& arguments) {
    std::string out;
    out.reserve(format.size() + 64);
    std::size_t next = 0;
    const auto argumentText = [&]() -> std::string {
        if (next >= arguments.size()) return std::string();
        const FormatArgument& argument = arguments[next++];
        if (const auto* text = std::get_if<std::string>(&argument)) return *text;
        return std::to_string(std::get<std::int64_t>(argument));
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        const char kind = format[i + 1];
        if (kind == '%') {
            out += '%';
            ++i;
        } else if (kind == 's' || kind == 'd') {
            out += argumentText();
            ++i;
        } else {
            out += '%';
        }
    }
    return out;
}

std::string formatString(int id, const std::vector<FormatArgument>& arguments) {
    return formatText(loadString(id), arguments);
}

}  // namespace core
