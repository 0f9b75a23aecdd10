#!/bin/sh
# Formats C and C++ sources with the tree's .clang-format.
# Usage: scripts/format.sh [--check] [PATH...]
#   no PATH: every .cpp, .c and .h file the repository tracks
#   --check: change nothing; list the files that are not formatted and exit 1 if any
set -eu
cd "$(dirname "$0")/.."
FORMAT="${CLANG_FORMAT:-clang-format}"
command -v "$FORMAT" >/dev/null 2>&1 || { echo "format.sh: $FORMAT not found (apt-get install clang-format)" >&2; exit 2; }
check=0
if [ "${1:-}" = "--check" ]; then
  check=1
  shift
fi
if [ $# -eq 0 ]; then
  set -- $(git ls-files '*.cpp' '*.c' '*.h')
fi
status=0
for f in "$@"; do
  case "$f" in *.cpp|*.c|*.h) ;; *) continue ;; esac
  if [ $check -eq 1 ]; then
    if ! "$FORMAT" --style=file "$f" | cmp -s - "$f"; then
      echo "$f"
      status=1
    fi
  else
    "$FORMAT" --style=file -i "$f"
  fi
done
exit $status
