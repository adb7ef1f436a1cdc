#!/usr/bin/env bash
# The help page: docs/help.md converts with nothing of its Markdown left over, and has a section
# with an example for every filter of the Add menu, so that no filter ships without its help. The
# converter escapes what it copies and refuses a code block that is never closed.
#   tests/docs/help_page_test.sh [PYTHON]
set -euo pipefail
cd "$(dirname "$0")/../.."
python="${1:-python3}"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
convert() { "$python" scripts/markdown_to_html.py "$1" "$2"; }

page="$out/help.html"
convert docs/help.md "$page" || fail "docs/help.md does not convert"
grep -qE '\*\*|```|^#' "$page" && fail "Markdown left in the page"

# The Add menu's filters as the resource script names them: "C&ounter..." is Counter.
filters="$(sed -n '/POPUP "AddRule"/,/^ *END *$/p' src/ui/app/calderwynstrope.rc |
  sed -n 's/.*MENUITEM "\([^"]*\)\.\.\.".*/\1/p' | tr -d '&')"
[ "$(wc -l <<< "$filters")" -ge 9 ] || fail "the Add menu was not read: $filters"
while IFS= read -r filter; do
  awk -v f="$filter" 'index($0, ">" f "</h3>") { on = 1; next } /<h[123]/ { on = 0 }
    on && /Example/ { found = 1 } END { exit !found }' "$page" ||
    fail "no help section with an example for \"$filter\""
done <<< "$filters"

printf '# T <1>\n\nA `<b>` and **c & d**.\n\n- one\n  more\n- two\n\n1. three\n\n[x](a"b=c)\n' > "$out/small.md"
convert "$out/small.md" "$out/small.html" || fail "a small page does not convert"
for expected in '<title>T &lt;1&gt;</title>' '<p>A <code>&lt;b&gt;</code> and <strong>c &amp; d</strong>.</p>' \
  '<a href="a&quot;b=c">x</a>' \
  '<ul><li>' 'more' '</li><li>' '</li></ul>' '<ol><li>'; do
  grep -qF -- "$expected" "$out/small.html" || fail "the small page lacks $expected"
done
printf '# T\n\n```\nnever closed\n' > "$out/open.md"
convert "$out/open.md" "$out/open.html" 2>/dev/null && fail "an unclosed code block was accepted"

[ "$failures" -eq 0 ] || { echo "help_page_test: $failures check(s) failed" >&2; exit 1; }
echo "help_page_test: the help page converts and covers every filter"
