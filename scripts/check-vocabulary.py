#!/usr/bin/env python3
"""One home for each piece of the format's vocabulary and each text helper.

Fails (exit 1, one line per find) when a copy of a shared helper or constant
turns up outside its home:

  codec/format.h         tree ids, block kinds, the 16-byte alignment
  codec/zorb.h           the track count (ZBX_MAX_TRACKS)
  platform/byte_order.h  little-endian reads and writes, four-character codes
  platform/text.h        the blank test and upper/lower case
  platform/assert.h      ZORB_ASSERT

Usage: check-vocabulary.py [SOURCE_DIR]   (default: the folder above scripts/)
       check-vocabulary.py --self-test    (every rule finds its sample copy)

The tests' own generators and oracles (tests/) keep independent copies of the
format's numbers on purpose, so that a wrong constant here is caught there;
they are not scanned. Nor are the embedding examples (examples/): they are
written against the installed library alone, which ships no helpers.
"""
import os
import re
import sys

FOLDERS = ["bench", "codec", "demo", "encoder", "frontend", "fuzz", "lib", "platform", "player",
           "runtime", "script", "tools", "vexutil", "web"]
SUFFIXES = (".c", ".cpp", ".h")

# (what, pattern, home files, folders it applies to or None for all, a sample copy it must find)
RULES = [
    ("16-byte alignment helper (use ZbxAlign16)", r"\bAlign16\b", [], None,
     "constexpr size_t Align16(size_t n)"),
    ("16-byte alignment as a bare number (use ZBX_ALIGNMENT)", r"aligned_alloc\(\s*16\b", [], None,
     "void *p = std::aligned_alloc(16, n);"),
    ("tree id constant (use ZBX_TREE_*)",
     r"\bk(?:Bitmap|ColourPair|PixelPair|BlockType|BigTree)Tree\b|\bk(?:BigTree|Tree)Count\b|"
     r"\benum\s+\w*Tree(?:Id)?\b\s*(?::\s*\w+\s*)?\{", ["codec/format.h"], None,
     "enum TreeId : uint32_t { kBitmapTree = 0 };"),
    ("block kind constant (use ZBX_BLOCK_*)",
     r"\bk(?:TwoColour|Full|Skip|Fill)\b\s*=\s*[0-3]\b|\benum\s+\w*Block(?:Kind|Type)\b", ["codec/format.h"], None,
     "enum BlockKind : uint8_t { kTwoColour = 0, kFull = 1 };"),
    ("track count as a bare 7 (use ZBX_MAX_TRACKS)", r"\bt\s*<\s*7\b|\[7\]|,\s*7>", [],
     ["codec", "encoder", "tools"], "for (int t = 0; t < 7; ++t)"),
    ("little-endian helper (use platform/byte_order.h)",
     r"\b(?:uint16_t|uint32_t|void)\s+(?:[Gg]et|[Pp]ut|Read|U)?(?:Le|LE|le)?(?:16|32)\s*\(\s*(?:const\s+)?"
     r"(?:uint8_t|unsigned char|char|std::vector<uint8_t>)\s*[*&]", ["platform/byte_order.h"], None,
     "uint32_t Le32(const uint8_t *p)"),
    ("little-endian 32-bit number by hand (use ZbxGet32)", r"<<\s*8\b[^;{}]{0,200}?<<\s*16\b[^;{}]{0,200}?<<\s*24\b",
     ["platform/byte_order.h"], None, "return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;"),
    ("little-endian 16-bit number by hand (use ZbxGet16)",
     r"\b(\w+)\[\s*0\s*\]\s*\|\s*\(?\s*\1\[\s*1\s*\]\s*<<\s*8\b|\b(\w+)\[(\w+)\]\s*\|\s*\(?\s*\2\[\3\s*\+\s*1\]\s*<<\s*8\b",
     ["platform/byte_order.h"], None, "uint16_t v = d_[pos_] | d_[pos_ + 1] << 8;"),
    ("four-character code by hand (use ZbxFourCC)", r"\bFourCC\s*\(\s*'|\b(?:uint32_t|auto)\s+FourCC\s*\(",
     ["platform/byte_order.h"], None, "constexpr uint32_t FourCC(char a, char b, char c, char d)"),
    ("blank test (use zorb::platform::IsBlank)",
     r"\bbool\s+\w*[Bb]lank\w*\s*\(\s*(?:const\s+)?(?:unsigned\s+|signed\s+)?char\s+\w+\s*\)|"
     r"static_cast<(?:un)?signed char>\([^()]*\)\s*<=\s*32\b", ["platform/text.h"], None,
     "inline bool IsBlank(char c) { return c != 0 && static_cast<signed char>(c) <= 32; }"),
    ("upper or lower case by hand (use zorb::platform::ToUpper / UpperCase)",
     r"static_cast<char>\(\s*[\w\[\]*]+\s*[-+]\s*(?:32|0x20)\s*\)|[-+]=\s*(?:32|0x20)\s*;\s*//\s*case|"
     r"\b(?:FoldAscii|Fold)\s*\(\s*char\b",
     ["platform/text.h"], None, "if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);"),
    ("assertion macro (use ZORB_ASSERT)", r"#\s*define\s+\w*ASSERT\b", ["platform/assert.h"], None,
     "#define MY_ASSERT(c) ((void)0)"),
]


def strip_comments(text):
    """Comments and string literals become blanks, keeping line numbers."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out.append(" " * (j - i))
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j]))
            i = j
        elif c == '"':
            j = i + 1
            while j < n and text[j] != '"' and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append('"' + " " * (min(j, n) - i - 1) + ('"' if j < n and text[j] == '"' else ""))
            i = j + 1 if j < n and text[j] == '"' else j
        else:
            out.append(c)
            i += 1
    return "".join(out)


def finds(relpath, text):
    code = strip_comments(text)
    top = relpath.split("/", 1)[0]
    for what, pattern, homes, folders, _ in RULES:
        if relpath in homes or (folders is not None and top not in folders):
            continue
        for m in re.finditer(pattern, code):
            line = code.count("\n", 0, m.start()) + 1
            yield "%s:%d: %s" % (relpath, line, what)


def scan(root):
    problems = []
    for folder in FOLDERS:
        base = os.path.join(root, folder)
        for dirpath, dirnames, filenames in os.walk(base):
            dirnames[:] = sorted(d for d in dirnames if not d.startswith("build"))
            for name in sorted(filenames):
                if not name.endswith(SUFFIXES):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, root).replace(os.sep, "/")
                with open(path, encoding="utf-8", errors="replace") as f:
                    problems.extend(finds(rel, f.read()))
    return problems


def self_test():
    failed = 0
    for what, pattern, homes, folders, sample in RULES:
        where = (folders[0] if folders else "codec") + "/sample.cpp"
        if not list(finds(where, sample + "\n")):
            print("self-test: the rule '%s' misses its sample: %s" % (what, sample))
            failed += 1
        for home in homes:
            if list(finds(home, sample + "\n")):
                print("self-test: the rule '%s' flags its own home %s" % (what, home))
                failed += 1
    # Comments and texts never count.
    if list(finds("codec/sample.cpp", "// Align16(n) was here\nconst char *t = \"Align16\";\n")):
        print("self-test: a comment or a text was taken for code")
        failed += 1
    return failed


def main(argv):
    if len(argv) > 1 and argv[1] == "--self-test":
        return 1 if self_test() else 0
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    problems = scan(root)
    for p in problems:
        print(p)
    if problems:
        print("%d copies of shared vocabulary outside their home (see scripts/check-vocabulary.py)" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
