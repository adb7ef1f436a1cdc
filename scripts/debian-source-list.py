#!/usr/bin/env python3
# Writes a sources list (argv[1]) of deb-src entries for this machine's own Debian mirrors of its
# release, so a script can fetch a source package through a private apt configuration and leave
# the machine's own apt setup alone (scripts/taglib-mingw.sh, scripts/pcre2-mingw.sh).
import glob, re, sys

codename = ""
with open("/etc/os-release") as f:
    for line in f:
        if line.startswith("VERSION_CODENAME="):
            codename = line.split("=", 1)[1].strip().strip('"')
suites = {codename, codename + "-updates", codename + "-security"}
entries = []  # (uri, suite, components, signed_by)

def add(uris, suite_list, components, signed_by):
    for uri in uris:
        for suite in suite_list:
            if suite in suites and "main" in components:
                entries.append((uri, suite, signed_by))

for path in ["/etc/apt/sources.list"] + sorted(glob.glob("/etc/apt/sources.list.d/*.list")):
    try:
        lines = open(path).read().splitlines()
    except OSError:
        continue
    for line in lines:
        line = line.split("#", 1)[0].strip()
        m = re.match(r"deb\s+(?:\[([^\]]*)\]\s+)?(\S+)\s+(\S+)\s+(.*)", line)
        if not m:
            continue
        opts = dict(o.split("=", 1) for o in (m.group(1) or "").split() if "=" in o)
        add([m.group(2)], [m.group(3)], m.group(4).split(), opts.get("signed-by", ""))

for path in sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
    for stanza in re.split(r"\n\s*\n", open(path).read()):
        fields, key = {}, None
        for line in stanza.splitlines():
            if line.startswith("#"):
                continue
            if line[:1].isspace() and key:
                fields[key] += "\n" + line.strip()
            elif ":" in line:
                key, value = line.split(":", 1)
                key = key.strip().lower()
                fields[key] = value.strip()
        if "deb" not in fields.get("types", "").split() or fields.get("enabled", "yes").lower() == "no":
            continue
        signed_by = fields.get("signed-by", "")
        if "\n" in signed_by or signed_by.startswith("-----"):
            signed_by = ""  # an inline key: fall back to the trusted keyrings
        add(fields.get("uris", "").split(), fields.get("suites", "").split(),
            fields.get("components", "").split(), signed_by)

if not entries:
    sys.exit("no Debian mirror for '%s' found in /etc/apt" % codename)
with open(sys.argv[1], "w") as out:
    for uri, suite, signed_by in dict.fromkeys(entries):
        option = "[signed-by=%s] " % signed_by if signed_by else ""
        out.write("deb-src %s%s %s main\n" % (option, uri, suite))
