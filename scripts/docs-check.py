#!/usr/bin/env python3
"""Checks the documentation against the programs.

Usage: scripts/docs-check.py BUILD_DIR [PAGE.md ...]

- Every command in a fenced ```sh block of docs/*.md and README.md runs, in the
  order of the page, in a fresh directory per page (the blocks of one page share
  it, so a page can build on its earlier steps), with the build's programs first
  on PATH, SDL's off-screen video and dummy sound, and no message boxes. A
  command must end with status 0, or with N when its trailing comment says
  "status N". Lines ending in a backslash continue on the next line. A block
  right after the line "<!-- docs-check: skip -->" is not run (commands that
  install packages or run the whole test suite).
- Every relative link of those pages names a file or directory that exists.

The directory holds the bundled demo (demo.zbx) and the demo presentation
(presentation.zs) when the build made them.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FENCE = re.compile(r"^(\s*)```(\S*)\s*$")
STATUS = re.compile(r"#.*\bstatus (\d+)\b")
LINK = re.compile(r"\[[^\]]*\]\(([^)\s]+)\)")
SKIP = "<!-- docs-check: skip -->"


def pages(args):
    if args:
        return [os.path.abspath(p) for p in args]
    docs = os.path.join(ROOT, "docs")
    found = [os.path.join(docs, f) for f in sorted(os.listdir(docs)) if f.endswith(".md")]
    return [os.path.join(ROOT, "README.md")] + found


def blocks(text):
    """(line number, language, lines, skipped) for every fenced block."""
    lines = text.split("\n")
    out = []
    i = 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        if not m:
            i += 1
            continue
        start, lang = i, m.group(2)
        skipped = start > 0 and lines[start - 1].strip() == SKIP
        i += 1
        body = []
        while i < len(lines) and not FENCE.match(lines[i]):
            body.append(lines[i])
            i += 1
        out.append((start + 1, lang, body, skipped))
        i += 1
    return out


HEREDOC = re.compile(r"<<-?\s*['\"]?(\w+)['\"]?")


def commands(body):
    """Joins continued lines and here-documents; drops blank and comment lines."""
    out, current, until = [], "", None
    for line in body:
        if until is not None:
            current += line + "\n"
            if line.strip() == until:
                out.append(current.rstrip("\n"))
                current, until = "", None
            continue
        if line.rstrip().endswith("\\"):
            current += line.rstrip()[:-1] + " "
            continue
        current += line
        m = HEREDOC.search(line)
        if m:
            current += "\n"
            until = m.group(1)
            continue
        if current.strip() and not current.strip().startswith("#"):
            out.append(current.strip())
        current = ""
    return out


def expected_status(command):
    m = STATUS.search(command)
    return int(m.group(1)) if m else 0


def environment(build, home):
    env = dict(os.environ)
    env["PATH"] = os.path.join(build, "bin") + os.pathsep + env.get("PATH", "")
    env.update({
        "SDL_VIDEODRIVER": "offscreen",
        "SDL_AUDIODRIVER": "dummy",
        "QT_QPA_PLATFORM": "offscreen",
        "ZORBLAX_NO_BOX": "1",
        "HOME": home,
        "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        "TERM": "dumb",
    })
    env.pop("DISPLAY", None)
    env.pop("ZORBLAX_DEBUG", None)
    return env


def run_page(page, build):
    failures = []
    text = open(page, encoding="utf-8").read()
    runnable = [b for b in blocks(text) if b[1] == "sh" and not b[3]]
    if not runnable:
        return failures
    work = tempfile.mkdtemp(prefix="zorblax-docs-")
    try:
        home = os.path.join(work, ".home")
        os.makedirs(home)
        for sample in ("demo/demo.zbx", "demo/presentation.zs"):
            source = os.path.join(build, sample)
            if os.path.exists(source):
                shutil.copy(source, work)
        env = environment(build, home)
        for line, _, body, _ in runnable:
            for command in commands(body):
                want = expected_status(command)
                try:
                    done = subprocess.run(["bash", "-c", command], cwd=work, env=env, stdin=subprocess.DEVNULL,
                                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
                    status, output = done.returncode, done.stdout.decode("utf-8", "replace")
                except subprocess.TimeoutExpired:
                    status, output = "timeout", ""
                if status != want:
                    failures.append("%s:%d: `%s` ended with status %s, the page says %d\n%s" %
                                    (os.path.relpath(page, ROOT), line, command, status, want, output[-2000:]))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return failures


def check_links(page):
    failures = []
    text = open(page, encoding="utf-8").read()
    # Links inside fenced blocks are code, not links.
    prose = "\n".join("" if b else l for b, l in zip(in_fence(text), text.split("\n")))
    for target in LINK.findall(prose):
        if re.match(r"^[a-z]+:", target) or target.startswith("#"):
            continue
        path = target.split("#", 1)[0]
        if not os.path.exists(os.path.normpath(os.path.join(os.path.dirname(page), path))):
            failures.append("%s: the link %s names nothing" % (os.path.relpath(page, ROOT), target))
    return failures


def in_fence(text):
    inside, flags = False, []
    for line in text.split("\n"):
        if FENCE.match(line):
            flags.append(True)
            inside = not inside
        else:
            flags.append(inside)
    return flags


def main():
    if len(sys.argv) < 2:
        sys.stderr.write("usage: scripts/docs-check.py BUILD_DIR [PAGE.md ...]\n")
        return 2
    build = os.path.abspath(sys.argv[1])
    failures = []
    for page in pages(sys.argv[2:]):
        failures += check_links(page)
        failures += run_page(page, build)
    for f in failures:
        sys.stderr.write(f + "\n")
    if failures:
        sys.stderr.write("docs-check: %d problem(s)\n" % len(failures))
        return 1
    print("docs-check: every sh command ran as its page says and every link resolves")
    return 0


if __name__ == "__main__":
    sys.exit(main())
