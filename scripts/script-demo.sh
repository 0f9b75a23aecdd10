#!/bin/sh
# Sets up, builds, and runs the bundled ZorbScript presentation
# (demo/presentation.zs with the demo file; it ends by itself when left alone).
# Usage: scripts/script-demo.sh [BUILD_DIR]
# Without a display (no DISPLAY or WAYLAND_DISPLAY) the picture goes to SDL's
# off-screen driver; without a sound device the sound goes to SDL's dummy one.
set -eu
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
./scripts/setup.sh
cmake -S . -B "$BUILD" -G Ninja
cmake --build "$BUILD" -j2 --target zorbscw presentation
. ./scripts/headless-env.sh
exec "$BUILD/bin/zorbscw" "$BUILD/demo/presentation.zs"
