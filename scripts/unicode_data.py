"""What the table generators share: Debian's UnicodeData.txt (or one named on the command line),
its Unicode version, and its records as lists of fields.

    import unicode_data
    source = unicode_data.source()              # sys.argv[1], or Debian's unicode-data package
    unicode_data.version(source)                # "15.0.0", or "unknown"
    for fields in unicode_data.records(source): # fields[0] the code point in hex, fields[1] the name...
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def source():
    return sys.argv[1] if len(sys.argv) > 1 else "/usr/share/unicode/UnicodeData.txt"


def version(path):
    readme = os.path.join(os.path.dirname(path), "ReadMe.txt")
    if os.path.exists(readme):
        match = re.search(r"Version (\d+\.\d+\.\d+)", open(readme, encoding="utf-8").read())
        if match:
            return match.group(1)
    return "unknown"


def records(path):
    with open(path, encoding="utf-8") as data:
        for line in data:
            yield line.rstrip("\n").split(";")
