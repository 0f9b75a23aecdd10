#!/usr/bin/env python3
"""Checks the source tree against the layer table of docs/architecture.md.

Every `#include "..."` of every C and C++ file must stay inside the file's own
layer or reach only what the table lets that layer use, and every header has
the one guard style: `#ifndef ZORB_<PATH>_H` from its path (codec/zorb.h:
ZORB_CODEC_ZORB_H).

    layout-check.py [SOURCE_DIR]     check the tree (default: this script's tree)
    layout-check.py --self-test      check that crossings and bad guards are caught

The table is the fenced block marked `layers` in docs/architecture.md:
    public NAME: HEADER...    what another layer means by naming NAME
    unguarded: HEADER...      headers made to be included several times (tables)
    PREFIX: ALLOWED...        a file belongs to the longest PREFIX its path starts
                              with; ALLOWED are NAMEs (their public headers),
                              path prefixes (everything they name) or * (anything)
"""
import os
import re
import sys
import tempfile

SOURCE_EXTENSIONS = (".c", ".cc", ".cpp", ".h", ".hpp")
SKIPPED_DIRS = {".git", "node_modules", "__pycache__"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


class Table:
    def __init__(self, text, origin="docs/architecture.md"):
        self.public = {}
        self.rules = {}
        self.unguarded = set()
        block = re.search(r"^```layers\n(.*?)^```", text, re.S | re.M)
        if not block:
            raise ValueError(origin + ": no ```layers block")
        for number, raw in enumerate(block.group(1).splitlines(), 1):
            line = raw.split("#", 1)[0].strip()
            if not line:
                continue
            if ":" not in line:
                raise ValueError("%s: layers line %d has no ':': %s" % (origin, number, raw))
            left, right = line.split(":", 1)
            words = right.split()
            if left.startswith("public "):
                self.public[left[len("public "):].strip()] = set(words)
            elif left.strip() == "unguarded":
                self.unguarded.update(words)
            else:
                self.rules[left.strip()] = words
        for prefix, allowed in self.rules.items():
            for word in allowed:
                if "/" not in word and "." not in word and word != "*" and word not in self.public:
                    raise ValueError("%s: %s names the unknown layer %s" % (origin, prefix, word))

    def unit(self, path):
        """The longest table prefix the path starts with, or None."""
        best = None
        for prefix in self.rules:
            if path.startswith(prefix) and (best is None or len(prefix) > len(best)):
                best = prefix
        return best

    def allows(self, unit, target):
        if self.unit(target) == unit:
            return True
        for word in self.rules[unit]:
            if word == "*":
                return True
            if word in self.public:
                if target in self.public[word]:
                    return True
            elif target.startswith(word):
                return True
        return False


def guard_name(path):
    stem = path[:-2] if path.endswith(".h") else path.rsplit(".", 1)[0]
    return "ZORB_" + re.sub(r"[^A-Za-z0-9]", "_", stem).upper() + "_H"


def check_guard(path, text):
    """A header's first directives: #ifndef G, #define G, and #endif at the end."""
    want = guard_name(path)
    directives = [l.strip() for l in text.splitlines() if l.strip().startswith("#")]
    if (len(directives) < 3 or directives[0] != "#ifndef " + want or directives[1] != "#define " + want or
            not directives[-1].startswith("#endif")):
        return ["%s: the header's guard is not #ifndef %s / #define %s ... #endif" % (path, want, want)]
    return []


def check_files(table, files):
    """files: {tree path: text}. Returns the list of faults."""
    faults = []
    for path in sorted(files):
        unit = table.unit(path)
        if unit is None:
            faults.append("%s: in no layer of the table" % path)
            continue
        text = files[path]
        for number, line in enumerate(text.splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            name = m.group(1)
            # A name next to the including file means that file; else it is a tree path.
            beside = os.path.normpath(os.path.join(os.path.dirname(path), name))
            target = beside if beside in files else os.path.normpath(name)
            if not table.allows(unit, target):
                faults.append("%s:%d: includes %s, which layer %s may not use (%s)" %
                              (path, number, name, unit, table.unit(target) or "outside the table"))
        if path.endswith((".h", ".hpp")) and path not in table.unguarded:
            faults.extend(check_guard(path, text))
    return faults


def tree_files(root):
    files = {}
    for dirpath, dirnames, filenames in os.walk(root):
        rel_dir = os.path.relpath(dirpath, root)
        dirnames[:] = [d for d in dirnames if d not in SKIPPED_DIRS and not d.startswith(".") and
                       not (rel_dir == "." and d.startswith("build"))]
        for f in filenames:
            if f.endswith(SOURCE_EXTENSIONS):
                rel = os.path.normpath(os.path.join(rel_dir, f))
                with open(os.path.join(dirpath, f), encoding="utf-8", errors="replace") as handle:
                    files[rel] = handle.read()
    return files


def read_table(root):
    with open(os.path.join(root, "docs", "architecture.md"), encoding="utf-8") as handle:
        return Table(handle.read())


def check_tree(root):
    faults = check_files(read_table(root), tree_files(root))
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print("%d layout fault(s); the table is in docs/architecture.md" % len(faults), file=sys.stderr)
    return 1 if faults else 0


def guarded(path, body=""):
    g = guard_name(path)
    return "#ifndef %s\n#define %s\n%s\n#endif\n" % (g, g, body)


def self_test(root):
    """The real table on synthetic files: each bad case is caught, the good ones pass."""
    table = read_table(root)
    headers = {h: guarded(h) for h in ("platform/platform.h", "codec/zorb.h", "codec/handle.h", "runtime/blit.h",
                                        "runtime/display.h", "script/core/interp.h", "player/player.h")}
    good = {
        "codec/fine.cpp": '#include "platform/platform.h"\n#include "codec/handle.h"\n',
        "player/fine.cpp": '#include "runtime/display.h"\n#include "codec/zorb.h"\n',
        "runtime/fine.cpp": '#include "codec/handle.h"\n',
        "tests/fine.cpp": '#include "script/core/interp.h"\n',
        "codec/beside.cpp": '#include "zorb.h"\n',
    }
    bad = {
        "codec/up.cpp": '#include "runtime/blit.h"\n',                # a lower layer reaching up
        "script/core/sdl.cpp": '#include "runtime/display.h"\n',      # the core knows nothing of SDL
        "tools/zbxcompi/p.cpp": '#include "player/player.h"\n',        # a tool using the player
        "frontend/core/h.cpp": '#include "codec/handle.h"\n',         # another layer's inside
        "platform/x.cpp": '#  include "codec/zorb.h"\n',              # spaced directive
        "nowhere/x.cpp": "",                                           # a folder the table lacks
        "codec/badguard.h": "#pragma once\n",                          # the other guard style
        "codec/wrongname.h": guarded("codec/other.h"),                 # a guard named after another file
        "codec/noguard.h": "int x;\n",                                 # no guard at all
    }
    failures = []
    base = dict(headers)
    base.update(good)
    if check_files(table, base):
        failures.append("good files fail: %s" % check_files(table, base))
    for path, text in bad.items():
        files = dict(base)
        files[path] = text
        if not any(f.startswith(path + ":") for f in check_files(table, files)):
            failures.append("not caught: %s" % path)
    # The table's reader refuses an unknown layer name.
    try:
        Table("```layers\ncodec/: nosuchlayer\n```\n")
        failures.append("an unknown layer name was accepted")
    except ValueError:
        pass
    # The walk finds files on disk and ignores build folders.
    with tempfile.TemporaryDirectory() as tmp:
        os.makedirs(os.path.join(tmp, "codec"))
        os.makedirs(os.path.join(tmp, "build-x", "codec"))
        for rel in ("codec/a.cpp", "build-x/codec/b.cpp"):
            with open(os.path.join(tmp, rel), "w") as handle:
                handle.write('#include "runtime/blit.h"\n')
        if sorted(tree_files(tmp)) != ["codec/a.cpp"]:
            failures.append("tree walk: %s" % sorted(tree_files(tmp)))
    for f in failures:
        print("self-test: " + f, file=sys.stderr)
    return 1 if failures else 0


def main(argv):
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    args = [a for a in argv[1:] if a != "--self-test"]
    root = args[0] if args else here
    if "--self-test" in argv[1:]:
        return self_test(root)
    return check_tree(root)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
