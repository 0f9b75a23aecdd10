#!/bin/sh
# Sets up, builds, and plays the bundled demo file with the playback summary.
# Usage: scripts/play-demo.sh [BUILD_DIR] [extra player switches...]
# Without a display (no DISPLAY or WAYLAND_DISPLAY) the picture goes to SDL's
# off-screen driver; without a sound device the player plays by the clock.
set -eu
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
[ $# -gt 0 ] && shift
./scripts/setup.sh
cmake -S . -B "$BUILD" -G Ninja
cmake --build "$BUILD" -j2 --target zorbplw demo
. ./scripts/headless-env.sh
exec "$BUILD/bin/zorbplw" "$BUILD/demo/demo.zbx" /S "$@"
