#!/usr/bin/env python3
"""Turns the help's Markdown source into the one HTML page shipped with the program.

Only the Markdown that docs/help.md uses is understood: headings (#, ##, ###), paragraphs,
lists (- and 1.), fenced code blocks, `code`, **bold** and [links](url). Anything else comes
out as plain text, escaped. Usage: markdown_to_html.py SOURCE.md OUTPUT.html
"""
import html
import re
import sys

STYLE = """body { font-family: Segoe UI, Tahoma, sans-serif; max-width: 46em; margin: 2em auto;
  padding: 0 1em; line-height: 1.45; color: #222; }
h1 { font-size: 1.6em; } h2 { font-size: 1.3em; border-bottom: 1px solid #ccc; margin-top: 1.6em; }
h3 { font-size: 1.1em; margin-bottom: 0.3em; }
code, pre { font-family: Consolas, monospace; background: #f4f4f4; }
pre { padding: 0.6em; overflow-x: auto; } nav li { margin: 0.1em 0; }"""


def anchor(title):
    return re.sub(r"[^a-z0-9]+", "-", title.lower()).strip("-")


def inline(text):
    # Code spans first, so that nothing inside them is read as Markdown.
    parts = re.split(r"(`[^`]*`)", text)
    out = []
    for part in parts:
        if part.startswith("`") and part.endswith("`") and len(part) >= 2:
            out.append("<code>" + html.escape(part[1:-1]) + "</code>")
            continue
        # Quotes too: a link's address goes into an attribute.
        part = html.escape(part)
        part = re.sub(r"\*\*(.+?)\*\*", r"<strong>\1</strong>", part)
        part = re.sub(r"\[([^\]]+)\]\(([^)\s]+)\)", r'<a href="\2">\1</a>', part)
        out.append(part)
    return "".join(out)


def convert(lines):
    body, toc = [], []
    paragraph, list_kind, code = [], None, None
    title = "Help"

    def flush():
        nonlocal paragraph, list_kind
        if paragraph:
            body.append("<p>" + inline(" ".join(paragraph)) + "</p>")
            paragraph = []
        if list_kind:
            body.append("</li></%s>" % list_kind)
            list_kind = None

    for raw in lines:
        line = raw.rstrip("\n")
        if code is not None:
            if line.startswith("```"):
                body.append("<pre>" + html.escape("\n".join(code)) + "</pre>")
                code = None
            else:
                code.append(line)
            continue
        if line.startswith("```"):
            flush()
            code = []
            continue
        heading = re.match(r"(#{1,3}) (.*)", line)
        item = re.match(r"(\s*)(-|\d+\.) (.*)", line)
        if heading:
            flush()
            level, text = len(heading.group(1)), heading.group(2).strip()
            if level == 1:
                title = text
                body.append("<h1>" + inline(text) + "</h1>")
                body.append("<!--toc-->")
            else:
                body.append('<h%d id="%s">%s</h%d>' % (level, anchor(text), inline(text), level))
                if level == 2:
                    # A link inside a heading stays out of the contents' own link.
                    plain = re.sub(r"\[([^\]]+)\]\([^)\s]+\)", r"\1", text)
                    toc.append('<li><a href="#%s">%s</a></li>' % (anchor(text), inline(plain)))
        elif item and not item.group(1):
            kind = "ul" if item.group(2) == "-" else "ol"
            if paragraph:
                body.append("<p>" + inline(" ".join(paragraph)) + "</p>")
                paragraph = []
            if list_kind != kind:
                flush()
                body.append("<%s><li>" % kind)
                list_kind = kind
            else:
                body.append("</li><li>")
            body.append(inline(item.group(3)))
        elif not line.strip():
            flush()
        elif list_kind:
            body.append(inline(line.strip()))  # a list item's continuation line
        else:
            paragraph.append(line.strip())
    if code is not None:
        raise SystemExit("markdown_to_html: a code block is not closed")
    flush()
    contents = "<nav><ul>" + "".join(toc) + "</ul></nav>" if toc else ""
    page = "\n".join(body).replace("<!--toc-->", contents)
    return ("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>%s</title>\n"
            "<style>\n%s\n</style>\n</head>\n<body>\n%s\n</body>\n</html>\n" % (html.escape(title), STYLE, page))


def main():
    if len(sys.argv) != 3:
        raise SystemExit("usage: markdown_to_html.py SOURCE.md OUTPUT.html")
    with open(sys.argv[1], encoding="utf-8") as source:
        page = convert(source.readlines())
    with open(sys.argv[2], "w", encoding="utf-8", newline="\r\n") as output:
        output.write(page)


if __name__ == "__main__":
    main()
