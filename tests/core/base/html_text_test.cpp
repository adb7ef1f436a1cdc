// The help page as plain text, for where no browser can show it.
#include "core/base/html_text.h"

#include <gtest/gtest.h>

namespace {

TEST(HtmlText, BlocksListsAndEntitiesReadAsText) {
    const struct {
        const char* html;
        const char* text;
    } cases[] = {
        {"<head><title>T</title><style>p{}</style></head><body><h1>Help</h1><p>One\n  two</p></body>",
         "Help\n\nOne two\n"},
        {"<nav><ul><li><a href=\"#a\">A</a></li></ul></nav><h2 id=\"a\">A</h2>", "A\n"},
        {"<ol><li>first</li><li>second <strong>bold</strong></li></ol><ul><li>dot</li></ul>",
         "1. first\n2. second bold\n\n- dot\n"},
        {"<ul><li>out<ul><li>in</li></ul></li></ul>", "- out\n\n  - in\n"},
        {"<pre><code>a  b\nc</code></pre><p>x</p>", "a  b\nc\n\nx\n"},
        {"&lt;a&gt; &amp; &quot;q&quot; &#39; &#233; &#x65E5; &bogus; & alone",
         "<a> & \"q\" ' \xC3\xA9 \xE6\x97\xA5 &bogus; & alone\n"},
        {"&#0; &#xD800; &#99999999;", "\xEF\xBF\xBD \xEF\xBF\xBD \xEF\xBF\xBD\n"},
        {"a<br>b<!-- <p>hidden</p> -->c", "a\nbc\n"},
        {"unclosed <tag", "unclosed <tag\n"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(core::htmlText(c.html), c.text) << c.html;
}

}  // namespace
