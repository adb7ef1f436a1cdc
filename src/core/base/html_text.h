// The text of an HTML page as plain lines, for showing the help page where no browser is there to
// show it: headings, paragraphs and list items on lines of their own, entities decoded, the page's
// head and its table of links left out. Made for the help page this program ships, which uses
// few elements; anything else reads as its text.
#pragma once

#include <string>
#include <string_view>

namespace core {

// Lines end with "\n"; a blank line stands between blocks.
std::string htmlText(std::string_view html);

}  // namespace core
